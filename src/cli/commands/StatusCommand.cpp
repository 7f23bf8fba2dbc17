// zortcfg status --port P [--seconds N] [--json] [--balance]: what the tracker's
// receiver and modem see, after N seconds of stream. Whatever of the two was off is
// switched on for the time and off again at the end.

#include <chrono>
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>

#include "cli/Command.h"
#include "cli/DeviceRun.h"
#include "cli/Interrupts.h"
#include "cli/StatusPrint.h"
#include "status/StatusThread.h"

namespace zort::cli {
namespace {

// Log lines of the run (modules switched) go to stderr: stdout holds only the summary,
// which a script may parse.
class StatusConsoleSink final : public ConsoleSink {
  public:
    using ConsoleSink::ConsoleSink;

    void LogLine(const std::string& line) override { Note(line); }
    void ShowMessage(int statusKind, const std::string& message, const std::string& detail) override {
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

class StatusCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "status", "состояние GPS/ГЛОНАСС и GSM: спутники, решение, сигнал сети, оператор, SIM-карта");
        AddPortOptions(*command, port);
        command->add_option("--seconds", seconds, "сколько секунд слушать поток (по умолчанию 5)")
            ->check(CLI::PositiveNumber)
            ->type_name("N");
        command->add_flag("--json", json, "сводка документом JSON");
        command->add_flag("--balance", balance, "запросить баланс SIM-карты");
        return command;
    }

    Outcome Run() override {
        DeviceContext context;
        if (Outcome ready = PrepareContext(context, port); !ready.Ok()) return ready;
        Interrupts interrupts;  // before the worker's threads start

        StatusConsoleSink sink(false);
        StatusThread worker(context, sink);
        TrackerStatus last;
        if (worker.Start()) {
            last = Watch(worker, interrupts);
            worker.RequestStop();
            worker.Join();
        } else {
            sink.ShowMessage(kStatusError, "Порт занят: " + context.portLease.Activity(), {});
        }
        if (Outcome failed = sink.Failure(); !failed.Ok()) return failed;
        const std::string text = json ? StatusJson(last, balance).dump(2) + "\n" : StatusText(last);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return Outcome::Success();
    }

  private:
    // Until N seconds of stream have passed since the modules were on (and the balance,
    // when asked, has come or failed), an interrupt, or the run's end.
    TrackerStatus Watch(StatusThread& worker, Interrupts& interrupts) {
        using Clock = std::chrono::steady_clock;
        std::optional<Clock::time_point> deadline;
        bool balanceAsked = false;
        TrackerStatus now;
        while (!worker.Finished()) {
            if (interrupts.Within(100)) break;
            now = worker.Snapshot();
            if (!now.ready) continue;
            if (!deadline) deadline = Clock::now() + std::chrono::seconds(seconds);
            if (balance && !balanceAsked && now.modemOn) {
                worker.RequestBalance();
                balanceAsked = true;
                continue;
            }
            const bool balanceDone = !balance || !now.modemOn || now.gsm.balanceRequestsEnded > 0;
            if (Clock::now() >= *deadline && balanceDone) break;
        }
        return worker.Finished() ? now : worker.Snapshot();
    }

    PortChoice port;
    int seconds = 5;
    bool json = false;
    bool balance = false;
};

const CommandRegistration kStatusRegistered(95, [] { return std::make_unique<StatusCommand>(); });

}  // namespace
}  // namespace zort::cli
