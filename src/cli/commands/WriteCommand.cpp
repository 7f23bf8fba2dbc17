// zortcfg write: settings from a file or the factory values, written as every write
// of zortcfg is: checked, listed, backed up, sent, and with --verify read back.

#include "cli/Command.h"
#include "cli/DeviceRun.h"
#include "cli/SafeWrite.h"
#include "cli/SettingsSource.h"
#include "history/BackupStore.h"

namespace zort::cli {
namespace {

class WriteCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("write", "записать настройки в устройство");
        AddPortOptions(*command, port);
        AddSourceOptions(*command, source);
        AddSetOption(*command, source);
        AddSafeWriteOptions(*command, options);
        return command;
    }

    Outcome Run() override {
        SettingsImage image;
        if (Outcome built = BuildImage(source, image); !built.Ok()) return built;
        ConsoleSink sink(StderrIsTerminal());
        if (Outcome checked = CheckAsWriteButton(image, options.yes, sink); !checked.Ok()) return checked;
        DeviceContext context;
        if (Outcome ready = PrepareContext(context, port); !ready.Ok()) return ready;
        options.reason = kWriteReason;
        return WriteWithBackup(context, image, sink, options);
    }

  private:
    PortChoice port;
    SettingsSource source;
    SafeWriteOptions options;
};

const CommandRegistration kWriteRegistered(30, [] { return std::make_unique<WriteCommand>(); });

}  // namespace
}  // namespace zort::cli
