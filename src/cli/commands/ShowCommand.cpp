// zortcfg show: the summary table of settings from a file or the factory values,
// without a device.

#include <cstdio>

#include "cli/Command.h"
#include "cli/SettingsSource.h"
#include "cli/SummaryPrint.h"

namespace zort::cli {
namespace {

class ShowCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("show", "показать сводку настроек без устройства");
        AddSourceOptions(*command, source);
        return command;
    }

    Outcome Run() override {
        SettingsImage image;
        if (Outcome built = BuildImage(source, image); !built.Ok()) return built;
        std::fputs(FormatSummary(image).c_str(), stdout);
        return Outcome::Success();
    }

  private:
    SettingsSource source;
};

const CommandRegistration kShowRegistered(40, [] { return std::make_unique<ShowCommand>(); });

}  // namespace
}  // namespace zort::cli
