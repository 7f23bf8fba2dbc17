// zortcfg convert IN OUT: settings between a settings file (.cfg) and a JSON document
// (.json), the format chosen by each name's ending. What a .cfg does not carry (the
// Wialon settings, the markers, the device information) comes from the factory values.

#include "cli/Command.h"
#include "cli/SettingsSource.h"
#include "settings/SettingsDefaults.h"

namespace zort::cli {
namespace {

class ConvertCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("convert", "преобразовать настройки между .cfg и .json");
        command->add_option("IN", inPath, "исходный файл (.cfg или .json)")->required();
        command->add_option("OUT", outPath, "новый файл (.cfg или .json)")->required();
        return command;
    }

    Outcome Run() override {
        const FileFormat inFormat = FormatOf(inPath);
        const FileFormat outFormat = FormatOf(outPath);
        // Both names are judged before anything is read or written.
        for (const auto& [path, format] : {std::pair{inPath, inFormat}, std::pair{outPath, outFormat}}) {
            if (format == FileFormat::kUnknown) {
                return Outcome::BadInput("Неизвестный формат файла «" + path + "»",
                                         "ожидается файл .cfg или .json");
            }
        }
        SettingsImage image;
        StoreDefaults(image, "");
        if (Outcome loaded = LoadSettingsFile(inPath, inFormat, image); !loaded.Ok()) return loaded;
        return SaveSettingsFile(outPath, outFormat, image);
    }

  private:
    std::string inPath;
    std::string outPath;
};

const CommandRegistration kConvertRegistered(50, [] { return std::make_unique<ConvertCommand>(); });

}  // namespace
}  // namespace zort::cli
