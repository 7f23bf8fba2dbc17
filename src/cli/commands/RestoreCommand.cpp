// zortcfg restore: a backup written back, as any write is (checked, listed, the state
// it replaces itself backed up first), and only to the tracker it came from unless the
// user says otherwise.

#include "cli/Command.h"
#include "cli/DeviceRun.h"
#include "cli/SafeWrite.h"
#include "history/BackupStore.h"
#include "settings/SettingTable.h"

namespace zort::cli {
namespace {

class RestoreCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("restore", "записать в устройство резервную копию настроек");
        AddPortOptions(*command, port);
        command->add_option("file", file, "файл резервной копии")->required();
        command->add_flag("--other-device", otherDevice, "записать копию в устройство с другим IMEI");
        AddSafeWriteOptions(*command, options);
        return command;
    }

    Outcome Run() override {
        SettingsImage image;
        BackupEntry entry;
        if (DocumentResult loaded = LoadBackup(file, image, entry); !loaded) {
            return Outcome::BadInput(loaded.message, loaded.detail);
        }
        ConsoleSink sink(StderrIsTerminal());
        if (Outcome checked = CheckAsWriteButton(image, options.yes, sink); !checked.Ok()) return checked;
        DeviceContext context;
        if (Outcome ready = PrepareContext(context, port); !ready.Ok()) return ready;
        options.reason = kRestoreReason;
        options.checkBefore = [&](const SettingsImage& before) {
            const std::string connected = before.Utf8Text(slot::kImei);
            if (otherDevice || connected == entry.imei) return Outcome::Success();
            return Outcome::BadInput("Резервная копия другого устройства",
                                     "копия: IMEI " + entry.imei + ", подключено: IMEI " + connected +
                                         "\nЧтобы всё же записать её, добавьте --other-device");
        };
        return WriteWithBackup(context, image, sink, options);
    }

  private:
    PortChoice port;
    std::string file;
    bool otherDevice = false;
    SafeWriteOptions options;
};

const CommandRegistration kRestoreRegistered(36, [] { return std::make_unique<RestoreCommand>(); });

}  // namespace
}  // namespace zort::cli
