// zortcfg backups: the settings kept before writes, newest first.

#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/Command.h"
#include "files/Utf8Path.h"
#include "history/BackupStore.h"

namespace zort::cli {
namespace {

std::string BackupsText(const std::vector<BackupEntry>& entries) {
    if (entries.empty()) return "Резервных копий нет\n";
    std::string text;
    for (const BackupEntry& e : entries) {
        text += e.savedAt + "  " + (e.imei.empty() ? "IMEI ?" : e.imei) + "  " +
                (e.identity.empty() ? "-" : e.identity) + "  " + e.reason + "  " + Utf8FromPath(e.file) +
                "\n";
    }
    return text;
}

std::string BackupsJson(const std::vector<BackupEntry>& entries) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const BackupEntry& e : entries) {
        list.push_back({{"saved_at", e.savedAt},
                        {"imei", e.imei},
                        {"identity", e.identity},
                        {"reason", e.reason},
                        {"port", e.port},
                        {"file", Utf8FromPath(e.file)}});
    }
    return list.dump(2) + "\n";
}

class BackupsCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command =
            app.add_subcommand("backups", "резервные копии настроек, сохранённые перед записью");
        command->add_option("--imei", imei, "только копии устройства с этим IMEI");
        command->add_flag("--json", json, "список в JSON");
        return command;
    }

    Outcome Run() override {
        const std::vector<BackupEntry> entries = BackupStore(DefaultBackupRoot()).List(imei);
        std::fputs((json ? BackupsJson(entries) : BackupsText(entries)).c_str(), stdout);
        return Outcome::Success();
    }

  private:
    std::string imei;
    bool json = false;
};

const CommandRegistration kBackupsRegistered(35, [] { return std::make_unique<BackupsCommand>(); });

}  // namespace
}  // namespace zort::cli
