// zortcfg nmea --port P [--seconds N]: relays the receiver's NMEA stream to stdout for
// N seconds, or until interrupted.

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "cli/Command.h"
#include "cli/DeviceRun.h"
#include "service/NmeaRelay.h"
#include "service/ServiceThread.h"

namespace zort::cli {
namespace {

// The stream goes to stdout byte for byte; how the relay ended is kept for the outcome.
class NmeaConsoleSink final : public ConsoleSink {
  public:
    using ConsoleSink::ConsoleSink;

    void AppendText(const std::string& text) override {
        if (text.empty()) return;
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }
    void LogLine(const std::string& line) override {
        std::lock_guard lock(mutex);
        failure = Outcome::DeviceFailed(line);
    }
    void ShowMessage(int statusKind, const std::string& message, const std::string& detail) override {
        ConsoleSink::ShowMessage(statusKind, message, detail);
        if (statusKind != kStatusError) return;
        std::lock_guard lock(mutex);
        failure = Outcome::DeviceFailed(message, detail);
    }
    Outcome Failure() {
        std::lock_guard lock(mutex);
        return failure;
    }

  private:
    std::mutex mutex;
    Outcome failure;
};

class NmeaCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("nmea", "транслировать NMEA поток GPS/ГЛОНАСС модуля");
        AddPortOptions(*command, port);
        command->add_option("--seconds", seconds, "сколько секунд (по умолчанию до прерывания)")
            ->check(CLI::PositiveNumber)
            ->type_name("N");
        return command;
    }

    Outcome Run() override {
        // Before the mask below: finding the tracker may end the command early.
        DeviceContext context;
        if (Outcome ready = PrepareContext(context, port); !ready.Ok()) return ready;
        // Interrupts are taken synchronously below; blocked before the relay's threads
        // start, so they inherit the mask and the signal always reaches this wait.
        sigset_t stop, previous;
        sigemptyset(&stop);
        sigaddset(&stop, SIGINT);
        sigaddset(&stop, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stop, &previous);

        NmeaConsoleSink sink(false);
        NmeaRelay relay(context, sink);
        relay.SwitchOn();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        const timespec tick{0, 100 * 1000 * 1000};
        while (relay.Running()) {
            if (sigtimedwait(&stop, nullptr, &tick) > 0) break;
            if (seconds > 0 && std::chrono::steady_clock::now() >= deadline) break;
        }
        relay.SwitchOff();
        context.JoinAll();
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return sink.Failure();
    }

  private:
    PortChoice port;
    int seconds = 0;
};

const CommandRegistration kRegistered(100, [] { return std::make_unique<NmeaCommand>(); });

}  // namespace
}  // namespace zort::cli
