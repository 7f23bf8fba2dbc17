#include "fleet/DeviceTable.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <fstream>
#include <optional>
#include <system_error>

#include "files/FileErrorText.h"
#include "files/Utf8Path.h"
#include "fleet/CsvText.h"
#include "settings/SettingTable.h"

namespace zort {

namespace {

constexpr std::string_view kImeiKey = "imei";
constexpr std::string_view kImeiPlace = ", поле «imei»";
constexpr std::size_t kImeiDigits = 15;
constexpr int kShownProblems = 20;
// Thousands of trackers fit in a few megabytes; anything far larger is some other file.
constexpr std::size_t kMaxTableBytes = 16u << 20;

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::string Fields(std::size_t count) {
    const std::size_t tens = count % 100;
    const std::size_t ones = count % 10;
    std::string noun = "полей";
    if (ones == 1 && tens != 11) {
        noun = "поле";
    } else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14)) {
        noun = "поля";
    }
    return std::to_string(count) + " " + noun;
}

bool IsImei(std::string_view text) {
    return text.size() == kImeiDigits &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Rows are checked in file order, so the problems come out in it too.
class Problems {
  public:
    // `place` follows the line number: ", поле «imei»" or nothing.
    void Add(int line, std::string_view place, std::string_view what) {
        list_.push_back("строка " + std::to_string(line) + std::string(place) + ": " + std::string(what));
    }
    bool Empty() const { return list_.empty(); }

    std::string Detail() const {
        std::string detail;
        const std::size_t shown = std::min(list_.size(), static_cast<std::size_t>(kShownProblems));
        for (std::size_t i = 0; i < shown; ++i) {
            if (i > 0) detail += '\n';
            detail += list_[i];
        }
        if (list_.size() > shown) detail += "\n… и ещё " + std::to_string(list_.size() - shown);
        return detail;
    }

  private:
    std::vector<std::string> list_;
};

// A column's key as the settings document spells it; empty for one that names nothing.
struct Column {
    std::string key;
    bool imei = false;
};

std::vector<Column> ReadHeader(const CsvRecord& header, Problems& problems) {
    std::vector<Column> columns(header.fields.size());
    bool haveImei = false;
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const std::string_view name = Trim(header.fields[i]);
        if (name.empty()) {
            problems.Add(header.line, ", столбец " + std::to_string(i + 1), "у столбца нет имени");
            continue;
        }
        // Spreadsheet users capitalise headings; the keys themselves are all lower case.
        const int slot = SlotOfKey(AsciiLower(name));
        if (slot < 0) {
            problems.Add(header.line, ", столбец «" + std::string(name) + "»", "такой настройки нет");
            continue;
        }
        const std::string key(KeyOf(slot));
        const auto same = std::find_if(columns.begin(), columns.begin() + static_cast<std::ptrdiff_t>(i),
                                       [&](const Column& c) { return c.key == key; });
        if (same != columns.begin() + static_cast<std::ptrdiff_t>(i)) {
            problems.Add(header.line, ", столбец «" + std::string(name) + "»",
                         "повторяется (столбцы " + std::to_string(same - columns.begin() + 1) + " и " +
                             std::to_string(i + 1) + ")");
            continue;
        }
        columns[i] = {key, key == kImeiKey};
        haveImei = haveImei || columns[i].imei;
    }
    if (!haveImei) problems.Add(header.line, "", "нет столбца «imei»");
    return columns;
}

std::optional<std::size_t> ImeiColumn(const std::vector<Column>& columns) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].imei) return i;
    }
    return std::nullopt;
}

DeviceTable Refused(const std::string& source, std::string detail) {
    DeviceTable table;
    table.ok = false;
    table.source = source;
    table.message = "Ошибка в таблице устройств «" + source + "»";
    table.detail = std::move(detail);
    return table;
}

std::string SystemReason(int error) {
    return error != 0 ? FileReadErrorText(std::error_code(error, std::generic_category()))
                      : "причина неизвестна";
}

}  // namespace

const DeviceRow* DeviceTable::Find(std::string_view imei) const {
    const auto row =
        std::find_if(rows.begin(), rows.end(), [&](const DeviceRow& r) { return r.imei == imei; });
    return row == rows.end() ? nullptr : &*row;
}

DeviceTable ParseDeviceTable(std::string_view bytes, const std::string& source) {
    const CsvText csv = ParseCsv(bytes);
    if (!csv.ok) return Refused(source, "строка " + std::to_string(csv.errorLine) + ": " + csv.error);
    if (csv.records.empty()) return Refused(source, "файл пуст: нет даже строки с именами столбцов");

    Problems problems;
    const CsvRecord& header = csv.records.front();
    const std::vector<Column> columns = ReadHeader(header, problems);
    const std::optional<std::size_t> imeiColumn = ImeiColumn(columns);
    if (csv.records.size() == 1) problems.Add(header.line, "", "под заголовком нет ни одного устройства");

    DeviceTable table;
    table.source = source;
    for (std::size_t r = 1; r < csv.records.size(); ++r) {
        const CsvRecord& record = csv.records[r];
        const bool whole = record.fields.size() == columns.size();
        if (!whole) {
            problems.Add(record.line, "",
                         Fields(record.fields.size()) + ", а в заголовке " + std::to_string(columns.size()));
        }
        // A short or long row still has its IMEI checked, so one pass finds everything.
        if (!imeiColumn || *imeiColumn >= record.fields.size()) continue;
        const std::string_view imei = Trim(record.fields[*imeiColumn]);
        if (!IsImei(imei)) {
            problems.Add(record.line, kImeiPlace,
                         imei.empty() ? "пусто, а нужен IMEI из 15 цифр"
                                      : "«" + std::string(imei) + "» — IMEI состоит ровно из 15 цифр");
            continue;
        }
        if (const DeviceRow* earlier = table.Find(imei)) {
            problems.Add(record.line, kImeiPlace,
                         std::string(imei) + " уже есть в строке " + std::to_string(earlier->line));
            continue;
        }
        DeviceRow row;
        row.line = record.line;
        row.imei = imei;
        for (std::size_t c = 0; whole && c < columns.size(); ++c) {
            if (columns[c].key.empty() || columns[c].imei || record.fields[c].empty()) continue;
            row.values.emplace_back(columns[c].key, record.fields[c]);
        }
        table.rows.push_back(std::move(row));
    }
    if (problems.Empty()) return table;
    return Refused(source, problems.Detail());
}

DeviceTable LoadDeviceTable(const std::string& source) {
    const std::filesystem::path file = PathFromUtf8(source);
    if (PathTooLong(file)) return Refused(source, kPathTooLongText);
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) return Refused(source, "это папка, а не файл");
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) return Refused(source, SystemReason(errno));
    std::string bytes;
    char chunk[1 << 16];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxTableBytes) {
            return Refused(source, "файл больше " + std::to_string(kMaxTableBytes >> 20) +
                                       " МБ — это не таблица устройств");
        }
    }
    if (in.bad()) return Refused(source, "файл не читается: " + SystemReason(errno));
    return ParseDeviceTable(bytes, source);
}

}  // namespace zort
