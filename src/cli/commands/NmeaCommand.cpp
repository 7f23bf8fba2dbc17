// zortcfg nmea --port P [--seconds N]: relays the receiver's NMEA stream to stdout for
// N seconds, or until interrupted.

#include <chrono>
#include <cstdio>
#include <mutex>

#include "cli/Command.h"
#include "cli/DeviceRun.h"
#include "cli/Interrupts.h"
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
        Interrupts interrupts;  // before the relay's threads start

        NmeaConsoleSink sink(false);
        NmeaRelay relay(context, sink);
        relay.SwitchOn();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (relay.Running()) {
            if (interrupts.Within(100)) break;
            if (seconds > 0 && std::chrono::steady_clock::now() >= deadline) break;
        }
        relay.SwitchOff();
        context.JoinAll();
        return sink.Failure();
    }

  private:
    PortChoice port;
    int seconds = 0;
};

const CommandRegistration kNmeaRegistered(100, [] { return std::make_unique<NmeaCommand>(); });

}  // namespace
}  // namespace zort::cli
