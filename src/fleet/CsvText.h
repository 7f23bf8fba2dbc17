#pragma once
// A table as a spreadsheet saves it to CSV, read into records of UTF-8 fields. Knows
// nothing of what the columns mean.

#include <string>
#include <string_view>
#include <vector>

namespace zort {

struct CsvRecord {
    int line = 0;                     // 1-based line of the file where the record starts
    std::vector<std::string> fields;  // UTF-8
};

struct CsvText {
    bool ok = true;
    int errorLine = 0;  // where it went wrong, when !ok
    std::string error;  // Russian, e.g. "кавычка не закрыта"
    char separator = ',';
    std::vector<CsvRecord> records;  // header first
};

// Takes UTF-8 (with or without a BOM) or, when the bytes are not valid UTF-8,
// Windows-1251. Lines may end in CRLF, LF or CR; the separator is whichever of ';', ','
// and tab the first record uses most (',' when none or a tie). Quoting follows RFC 4180;
// a line break inside quotes becomes "\n". Lines with no characters at all are skipped.
// Fields are not trimmed.
CsvText ParseCsv(std::string_view bytes);

// Strict: overlong forms, surrogates and code points above U+10FFFF are refused.
bool IsValidUtf8(std::string_view bytes);

}  // namespace zort
