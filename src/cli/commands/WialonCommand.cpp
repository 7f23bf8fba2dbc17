// zortcfg wialon-command (search|test|daily) [-o FILE]: the 3-byte Wialon command file.

#include <map>

#include "cli/Command.h"
#include "settings/CommandRecord.h"

namespace zort::cli {
namespace {

const std::map<std::string, std::uint8_t> kModes = {
    {"search", CommandRecord::kSearchMode},
    {"test", CommandRecord::kTestMode},
    {"daily", CommandRecord::kDailyMode},
};

class WialonCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("wialon-command", "записать файл команды WIALON");
        command->add_option("MODE", mode, "режим: search (ПОИСК), test (ТЕСТ), daily (СУТОЧНЫЙ)")
            ->required()
            ->check(CLI::IsMember({"search", "test", "daily"}));
        command->add_option("-o", output, "файл команды")->type_name("FILE")->capture_default_str();
        return command;
    }

    Outcome Run() override {
        const FileResult saved = SaveCommandFile(output, CommandRecord{kModes.at(mode)});
        if (saved) return Outcome::Success();
        std::string detail = CfgFileName(output);
        if (saved.osError) detail += ": " + saved.osError.message();
        return Outcome::BadInput(saved.error, detail);
    }

  private:
    std::string mode;
    std::string output{kDefaultCommandFileName};
};

const CommandRegistration kWialonRegistered(70, [] { return std::make_unique<WialonCommand>(); });

}  // namespace
}  // namespace zort::cli
