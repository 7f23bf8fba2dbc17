// zortcfg read: all 30 parameters from the tracker (and the extra read that follows),
// shown as the summary table and the device information, optionally saved as a JSON
// document and/or a settings file.

#include <cstdio>

#include "cli/Command.h"
#include "cli/DeviceRun.h"
#include "cli/SettingsSource.h"
#include "cli/SummaryPrint.h"
#include "settings/RWSettingsThread.h"

namespace zort::cli {
namespace {

class ReadCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("read", "прочитать настройки из устройства");
        AddPortOptions(*command, port);
        command->add_option("--json", jsonPath, "сохранить настройки в документ JSON (- = stdout)")
            ->type_name("FILE|-");
        command->add_option("--cfg", cfgPath, "сохранить настройки в файл конфигурации")->type_name("FILE");
        return command;
    }

    Outcome Run() override {
        DeviceContext context;
        if (Outcome ready = PrepareContext(context, port); !ready.Ok()) return ready;
        ConsoleSink sink(StderrIsTerminal());
        RWSettingsThread reader(context, sink);
        reader.mode = kModeReadSettings;
        if (Outcome read = RunWorker(reader, sink, kReadCaption); !read.Ok()) return read;

        // With the document on stdout the table moves to stderr, so a pipe gets pure JSON.
        std::FILE* tableOut = jsonPath == "-" ? stderr : stdout;
        const std::string text = FormatSummary(context.image) + "\n" + FormatDeviceInfo(context.image);
        std::fputs(text.c_str(), tableOut);
        std::fflush(tableOut);

        if (!jsonPath.empty()) {
            if (Outcome saved = SaveSettingsFile(jsonPath, FileFormat::kJson, context.image); !saved.Ok()) {
                return saved;
            }
        }
        if (!cfgPath.empty()) return SaveSettingsFile(cfgPath, FileFormat::kCfg, context.image);
        return Outcome::Success();
    }

  private:
    PortChoice port;
    std::string jsonPath;
    std::string cfgPath;
};

const CommandRegistration kReadRegistered(20, [] { return std::make_unique<ReadCommand>(); });

}  // namespace
}  // namespace zort::cli
