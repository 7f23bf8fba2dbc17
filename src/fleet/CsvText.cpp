#include "fleet/CsvText.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "link/Cp1251.h"

namespace zort {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::array<char, 3> kSeparators = {',', ';', '\t'};

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// A quote opens a quoted field only at the start of a field, and which characters start
// a field depends on the separator we are still choosing: any candidate counts here.
char DetectSeparator(std::string_view text) {
    std::array<int, kSeparators.size()> counts{};
    bool quoted = false;
    bool fieldStart = true;
    std::size_t i = 0;
    while (i < text.size() && IsLineEnd(text[i])) ++i;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') continue;
            if (i + 1 < text.size() && text[i + 1] == '"') {
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        if (IsLineEnd(c)) break;
        if (c == '"' && fieldStart) {
            quoted = true;
            fieldStart = false;
            continue;
        }
        fieldStart = false;
        for (std::size_t s = 0; s < kSeparators.size(); ++s) {
            if (c == kSeparators[s]) {
                ++counts[s];
                fieldStart = true;
            }
        }
    }
    std::size_t best = 0;
    bool tie = false;
    for (std::size_t s = 1; s < counts.size(); ++s) {
        if (counts[s] > counts[best]) {
            best = s;
            tie = false;
        } else if (counts[s] == counts[best]) {
            tie = true;
        }
    }
    return tie || counts[best] == 0 ? ',' : kSeparators[best];
}

// The character after a closing quote, whole even when it takes several bytes.
std::string CharacterAt(std::string_view text, std::size_t i) {
    std::size_t end = i + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    return std::string(text.substr(i, end - i));
}

class Reader {
  public:
    Reader(std::string_view text, char separator) : text_(text), separator_(separator) {}

    CsvText Read() {
        CsvText csv;
        csv.separator = separator_;
        while (pos_ < text_.size()) {
            if (IsLineEnd(text_[pos_])) {
                SkipLineEnd();
                continue;
            }
            CsvRecord record;
            record.line = line_;
            if (!ReadRecord(record.fields)) {
                csv.ok = false;
                csv.errorLine = errorLine_;
                csv.error = std::move(error_);
                csv.records.clear();
                return csv;
            }
            csv.records.push_back(std::move(record));
        }
        return csv;
    }

  private:
    bool AtEnd() const { return pos_ >= text_.size(); }

    void SkipLineEnd() {
        if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
        ++line_;
    }

    // Ends past the record's line end.
    bool ReadRecord(std::vector<std::string>& fields) {
        for (;;) {
            std::string field;
            if (!AtEnd() && text_[pos_] == '"') {
                if (!ReadQuoted(field)) return false;
            } else {
                ReadPlain(field);
            }
            fields.push_back(std::move(field));
            if (AtEnd()) return true;
            if (IsLineEnd(text_[pos_])) {
                SkipLineEnd();
                return true;
            }
            ++pos_;  // the separator
        }
    }

    void ReadPlain(std::string& field) {
        const std::size_t start = pos_;
        while (!AtEnd() && text_[pos_] != separator_ && !IsLineEnd(text_[pos_])) ++pos_;
        field.assign(text_.substr(start, pos_ - start));
    }

    bool ReadQuoted(std::string& field) {
        const int startLine = line_;
        ++pos_;
        for (;;) {
            if (AtEnd()) return Fail(startLine, "кавычка не закрыта");
            const char c = text_[pos_];
            if (c == '"') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                    field += '"';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            if (IsLineEnd(c)) {
                field += '\n';
                SkipLineEnd();
                continue;
            }
            field += c;
            ++pos_;
        }
        if (AtEnd() || text_[pos_] == separator_ || IsLineEnd(text_[pos_])) return true;
        return Fail(line_, "после закрывающей кавычки стоит «" + CharacterAt(text_, pos_) +
                               "», а поле в кавычках должно кончаться разделителем или концом строки");
    }

    bool Fail(int line, std::string error) {
        errorLine_ = line;
        error_ = std::move(error);
        return false;
    }

    std::string_view text_;
    char separator_;
    std::size_t pos_ = 0;
    int line_ = 1;
    int errorLine_ = 0;
    std::string error_;
};

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // C0 and C1 only ever start overlong forms; nothing valid starts above F4.
        if (lead < 0xC2 || lead > 0xF4) return false;
        const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        std::uint32_t code = lead & (0x7Fu >> length);
        if (i + length > bytes.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3Fu);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

CsvText ParseCsv(std::string_view bytes) {
    if (bytes.starts_with(kBom)) bytes.remove_prefix(kBom.size());
    // A Russian spreadsheet saves "CSV" in its own code page; such bytes are almost never
    // valid UTF-8, so validity alone tells the two apart.
    const std::string text = IsValidUtf8(bytes) ? std::string(bytes) : Cp1251ToUtf8(bytes);
    return Reader(text, DetectSeparator(text)).Read();
}

}  // namespace zort
