// zortcfg gnss-flash --port P --loader FILE --firmware FILE: reflashes the tracker's
// GNSS receiver; the update's log lines go to stdout, its progress to stderr.

#include "cli/Command.h"
#include "cli/DeviceRun.h"
#include "firmware/GPSUpdateThread.h"

namespace zort::cli {
namespace {

constexpr const char* kGnssFlashCaption = "Обновление прошивки GPS модуля";

class GnssLogSink final : public ConsoleSink {
  public:
    using ConsoleSink::ConsoleSink;
    void LogLine(const std::string& line) override { Print(line); }
};

class GnssFlashCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("gnss-flash", "обновить прошивку GPS/ГЛОНАСС модуля");
        AddPortOptions(*command, port);
        command->add_option("--loader", loader, "файл загрузчика")->required()->type_name("FILE");
        command->add_option("--firmware", firmware, "файл прошивки модуля")->required()->type_name("FILE");
        return command;
    }

    Outcome Run() override {
        // Both files are checked before the port is touched: once the receiver is in
        // its boot ROM, a missing file would leave it without firmware.
        std::vector<uint8_t> bytes;
        std::string why;
        if (!ReadGnssLoader(loader, bytes, why)) return Outcome::BadInput(kGnssLoaderOpenFailed, why);
        if (!ReadGnssFirmware(firmware, bytes, why)) return Outcome::BadInput(kGnssFirmwareOpenFailed, why);

        DeviceContext context;
        if (Outcome ready = PrepareContext(context, port); !ready.Ok()) return ready;
        GnssLogSink sink(StderrIsTerminal());
        GPSUpdateThread worker(context, sink);
        worker.loaderPath = loader;
        worker.firmwarePath = firmware;
        Outcome outcome = RunWorker(worker, sink, kGnssFlashCaption);
        if (!outcome.Ok()) return outcome;
        if (!worker.succeeded) return Outcome::DeviceFailed(worker.failure, worker.detail);
        return Outcome::Success();
    }

  private:
    PortChoice port;
    std::string loader;
    std::string firmware;
};

const CommandRegistration kGnssFlashRegistered(70, [] { return std::make_unique<GnssFlashCommand>(); });

}  // namespace
}  // namespace zort::cli
