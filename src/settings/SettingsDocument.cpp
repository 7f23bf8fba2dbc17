#include "settings/SettingsDocument.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>

#include "link/Cp1251.h"

namespace zort {
namespace {

std::string Quoted(std::string_view text) {
    return "«" + std::string(text) + "»";
}

// The slot bytes of a value, or the reason the slot cannot hold it.
std::optional<std::string> SlotBytes(std::string_view key, std::string_view utf8, std::string& problem) {
    bool lossless = false;
    std::string cp1251 = Utf8ToCp1251(utf8, &lossless);
    if (utf8.find('\0') != std::string_view::npos) {
        problem = Quoted(key) + ": текст содержит нулевой символ";
    } else if (!lossless) {
        problem = Quoted(key) + ": текст содержит символы, которых нет в кодировке Windows-1251";
    } else if (cp1251.size() > kSlotTextMax) {
        problem = Quoted(key) + ": текст длиннее 31 символа";
    } else {
        return cp1251;
    }
    return std::nullopt;
}

DocumentResult Refused(std::string message, std::string detail) {
    return {false, std::move(message), std::move(detail)};
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& l : lines) joined += (joined.empty() ? "" : "\n") + l;
    return joined;
}

// Checks every value first and stores nothing unless all are fine.
class Staging {
  public:
    void Add(std::string_view key, std::string_view utf8) {
        const int slot = SlotOfKey(key);
        if (slot < 0) {
            problems.push_back(Quoted(key) + ": неизвестный ключ");
            return;
        }
        std::string problem;
        if (auto bytes = SlotBytes(key, utf8, problem)) {
            values.emplace_back(slot, std::move(*bytes));
        } else {
            problems.push_back(std::move(problem));
        }
    }
    void Refuse(std::string problem) { problems.push_back(std::move(problem)); }

    DocumentResult Commit(const std::string& message, SettingsImage& image) const {
        if (!problems.empty()) return Refused(message, Lines(problems));
        for (const auto& [slot, bytes] : values) image.SetText(slot, bytes);
        return {};
    }

  private:
    std::vector<std::pair<int, std::string>> values;
    std::vector<std::string> problems;
};

}  // namespace

std::string SettingsToJson(const SettingsImage& image, const DocumentExtras& extras) {
    // Ordered, so the document reads in slot order like the table of keys.
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    for (const auto& [key, value] : extras) document[key] = value;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        document[std::string(KeyOf(slot))] = image.Utf8Text(slot);
    }
    return document.dump(2) + "\n";
}

std::string WrittenSettingsToJson(const SettingsImage& image) {
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    for (const SettingRow& row : kSettingTable) {
        if (row.item < kWrittenItemCount) document[std::string(row.key)] = image.Utf8Text(row.slot);
    }
    return document.dump(2) + "\n";
}

DocumentResult ApplySettingsDocument(std::string_view text, const std::string& source, SettingsImage& image,
                                     std::span<const std::string_view> extraKeys, DocumentExtras* extras) {
    const std::string message = "Ошибка в файле настроек " + Quoted(source);
    // Ordered, so that problems are reported in the order the document lists them.
    nlohmann::ordered_json document;
    try {
        document = nlohmann::ordered_json::parse(text);
    } catch (const nlohmann::ordered_json::exception& e) {
        // Besides syntax errors the parser refuses strings that are not valid UTF-8,
        // and numbers too large for a double (an out-of-range error, not a parse
        // error): all of them are a bad file, never a crash.
        return Refused(message, std::string("это не документ JSON: ") + e.what());
    }
    if (!document.is_object()) {
        return Refused(message, "документ должен быть одним объектом JSON");
    }
    Staging staging;
    for (const auto& [key, value] : document.items()) {
        const bool extra = std::find(extraKeys.begin(), extraKeys.end(), key) != extraKeys.end();
        if (extra) {
            if (!value.is_string()) {
                staging.Refuse(Quoted(key) + ": значение должно быть строкой");
            } else if (extras) {
                extras->emplace_back(key, value.get<std::string>());
            }
        } else if (SlotOfKey(key) >= 0 && !value.is_string()) {
            staging.Refuse(Quoted(key) + ": значение должно быть строкой");
        } else {
            staging.Add(key, value.is_string() ? value.get_ref<const std::string&>() : std::string());
        }
    }
    return staging.Commit(message, image);
}

DocumentResult ApplySettingsAssignments(const std::vector<std::string>& assignments, SettingsImage& image) {
    Staging staging;
    for (const std::string& a : assignments) {
        const size_t eq = a.find('=');
        if (eq == std::string::npos || eq == 0) {
            staging.Refuse(Quoted(a) + ": ожидается ИМЯ=ТЕКСТ");
        } else {
            staging.Add(std::string_view(a).substr(0, eq), std::string_view(a).substr(eq + 1));
        }
    }
    return staging.Commit("Ошибка в значениях --set", image);
}

}  // namespace zort
