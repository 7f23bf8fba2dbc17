// zortcfg set: the everyday change of one or two settings without a file. What the
// tracker holds is read, the named settings are changed and checked as the pages check
// them, then listed, backed up, written and read back.

#include "cli/Command.h"
#include "cli/DeviceRun.h"
#include "cli/SafeWrite.h"
#include "history/BackupStore.h"
#include "settings/SettingsDocument.h"

namespace zort::cli {
namespace {

class SetCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("set", "изменить отдельные настройки устройства");
        AddPortOptions(*command, port);
        command->add_option("assignments", assignments, "КЛЮЧ=ЗНАЧЕНИЕ, ключи как в read --json")->required();
        AddSafeWriteOptions(*command, options);
        return command;
    }

    Outcome Run() override {
        // Names and texts are checked before the tracker is touched.
        SettingsImage probe;
        if (DocumentResult named = ApplySettingsAssignments(assignments, probe); !named) {
            return Outcome::BadInput(named.message, named.detail);
        }
        ConsoleSink sink(StderrIsTerminal());
        DeviceContext context;
        if (Outcome ready = PrepareContext(context, port); !ready.Ok()) return ready;
        options.reason = kWriteReason;
        // A change of a few settings is the one a user trusts without looking: it is
        // always read back.
        options.verify = true;
        options.compose = [&](const SettingsImage&, SettingsImage& image) {
            if (DocumentResult set = ApplySettingsAssignments(assignments, image); !set) {
                return Outcome::BadInput(set.message, set.detail);
            }
            return CheckAsWriteButton(image, options.yes, sink);
        };
        return WriteWithBackup(context, SettingsImage{}, sink, options);
    }

  private:
    PortChoice port;
    std::vector<std::string> assignments;
    SafeWriteOptions options;
};

const CommandRegistration kSetRegistered(32, [] { return std::make_unique<SetCommand>(); });

}  // namespace
}  // namespace zort::cli
