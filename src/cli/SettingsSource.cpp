#include "cli/SettingsSource.h"

#include <cstdio>

#include "cli/SettingsDocument.h"
#include "settings/ConfigRecord.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsFile.h"

namespace zort::cli {
namespace {

// A settings document is under a kilobyte; anything this large is the wrong file.
constexpr size_t kJsonSizeLimit = 1 << 20;

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

Outcome FileFailure(const FileResult& result, const std::string& path) {
    std::string detail = path;
    if (result.osError) detail += ": " + result.osError.message();
    return Outcome::BadInput(result.error, detail);
}

Outcome LoadJson(const std::string& path, SettingsImage& image) {
    std::vector<std::uint8_t> bytes;
    const FileResult read = ReadFileHead(path, kJsonSizeLimit + 1, bytes);
    if (!read) return FileFailure(read, path);
    if (bytes.size() > kJsonSizeLimit) {
        return Outcome::BadInput("Ошибка в файле настроек «" + path + "»", "файл слишком большой");
    }
    const std::string text(bytes.begin(), bytes.end());
    return ApplySettingsJson(text, path, image);
}

}  // namespace

void AddSourceOptions(CLI::App& command, SettingsSource& source) {
    CLI::Option_group* group = command.add_option_group("источник настроек");
    group->add_option("--json", source.jsonPath, "настройки из документа JSON")->type_name("FILE");
    group->add_option("--cfg", source.cfgPath, "настройки из файла конфигурации (.cfg)")->type_name("FILE");
    group->add_flag("--defaults", source.defaults, "заводские значения");
    group->require_option(1);
}

void AddSetOption(CLI::App& command, SettingsSource& source) {
    command.add_option("--set", source.assignments, "заменить одно значение после чтения файла")
        ->type_name("NAME=TEXT")
        ->take_all()
        ->allow_extra_args(false);
}

Outcome BuildImage(const SettingsSource& source, SettingsImage& image) {
    StoreDefaults(image, "");
    Outcome loaded = Outcome::Success();
    if (!source.jsonPath.empty()) {
        loaded = LoadSettingsFile(source.jsonPath, FileFormat::kJson, image);
    } else if (!source.cfgPath.empty()) {
        loaded = LoadSettingsFile(source.cfgPath, FileFormat::kCfg, image);
    }
    if (!loaded.Ok()) return loaded;
    return ApplySettingAssignments(source.assignments, image);
}

FileFormat FormatOf(const std::string& path) {
    if (EndsWith(path, ".cfg")) return FileFormat::kCfg;
    if (EndsWith(path, ".json")) return FileFormat::kJson;
    return FileFormat::kUnknown;
}

Outcome LoadSettingsFile(const std::string& path, FileFormat format, SettingsImage& image) {
    switch (format) {
        case FileFormat::kJson:
            return LoadJson(path, image);
        case FileFormat::kCfg: {
            const FileResult loaded = LoadConfigFile(path, image);
            return loaded ? Outcome::Success() : FileFailure(loaded, CfgFileName(path));
        }
        case FileFormat::kUnknown:
            break;
    }
    return Outcome::BadInput("Неизвестный формат файла «" + path + "»", "ожидается файл .cfg или .json");
}

Outcome SaveSettingsFile(const std::string& path, FileFormat format, const SettingsImage& image) {
    switch (format) {
        case FileFormat::kJson: {
            const std::string text = SettingsToJson(image);
            if (path == "-") {
                std::fwrite(text.data(), 1, text.size(), stdout);
                std::fflush(stdout);
                return Outcome::Success();
            }
            const FileResult saved = WriteFileAtomically(
                path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
            return saved ? Outcome::Success() : FileFailure(saved, path);
        }
        case FileFormat::kCfg: {
            const FileResult saved = SaveConfigFile(path, image);
            return saved ? Outcome::Success() : FileFailure(saved, CfgFileName(path));
        }
        case FileFormat::kUnknown:
            break;
    }
    return Outcome::BadInput("Неизвестный формат файла «" + path + "»", "ожидается файл .cfg или .json");
}

}  // namespace zort::cli
