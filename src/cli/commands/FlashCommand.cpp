// zortcfg flash --port P FILE.fmw: replaces the tracker's firmware.

#include "cli/Command.h"
#include "cli/DeviceRun.h"
#include "firmware/MCUpdateThread.h"

namespace zort::cli {
namespace {

// The button's text: the update reports progress without a caption of its own.
constexpr const char* kFlashCaption = "Обновление программного обеспечения";

class FlashCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("flash", "обновить программное обеспечение трекера");
        AddPortOptions(*command, port);
        command->add_option("FILE", file, "файл прошивки")->required()->type_name("FILE.fmw");
        return command;
    }

    Outcome Run() override {
        // The name rule of the window's file dialog.
        const std::string path = FirmwareFileName(file);
        // A file that cannot be sent is refused before the port is touched: an erase
        // with nothing to write after it would leave the tracker without firmware.
        std::string why;
        if (CheckFirmwareFile(path, &why) < 0) return Outcome::BadInput(kFirmwareOpenFailed, why);

        DeviceContext context;
        if (Outcome ready = PrepareContext(context, port); !ready.Ok()) return ready;
        ConsoleSink sink(StderrIsTerminal());
        MCUpdateThread worker(context, sink);
        worker.firmwarePath = path;
        Outcome outcome = RunWorker(worker, sink, kFlashCaption);
        // Checked above, so unreadable now means it changed meanwhile: still the file.
        if (!outcome.Ok() && worker.message == kFirmwareOpenFailed) {
            return Outcome::BadInput(outcome.message, outcome.detail);
        }
        return outcome;
    }

  private:
    PortChoice port;
    std::string file;
};

const CommandRegistration kFlashRegistered(60, [] { return std::make_unique<FlashCommand>(); });

}  // namespace
}  // namespace zort::cli
