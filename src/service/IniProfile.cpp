#include "service/IniProfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "files/ReplaceFile.h"
#include "files/Utf8Path.h"
#include "link/Cp1251.h"

namespace zort {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool ValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t more;
        if (c < 0x80) {
            more = 0;
        } else if ((c & 0xE0) == 0xC0 && c >= 0xC2) {
            more = 1;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
        } else if ((c & 0xF8) == 0xF0 && c <= 0xF4) {
            more = 3;
        } else {
            return false;
        }
        if (s.size() - i <= more) return false;
        for (size_t k = 1; k <= more; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += more + 1;
    }
    return true;
}

struct Content {
    std::vector<std::string> lines;
    std::string newline = "\n";
    bool exists = false;
};

Content Load(const std::filesystem::path& file) {
    Content c;
    std::ifstream in(file, std::ios::binary);
    if (!in) return c;
    c.exists = true;
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    if (!ValidUtf8(text)) text = Cp1251ToUtf8(text);
    if (text.find("\r\n") != std::string::npos) c.newline = "\r\n";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        c.lines.push_back(std::move(line));
        start = end + 1;
    }
    return c;
}

// The section name of a "[name]" line; nothing when the line is not one.
bool SectionOf(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return false;
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

// The key and value of a "key=value" line; false for comments and other lines.
bool EntryOf(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') return false;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return !key.empty();
}

std::string Encode(std::string_view value) {
    const bool quote = !value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                                          value.back() == ' ' || value.back() == '\t' ||
                                          (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
    return quote ? "\"" + std::string(value) + "\"" : std::string(value);
}

}  // namespace

std::string IniProfile::Read(std::string_view section, std::string_view key,
                             std::string_view fallback) const {
    const Content c = Load(file);
    bool inSection = false;
    for (const std::string& line : c.lines) {
        std::string_view name, k, v;
        if (SectionOf(line, name)) {
            inSection = EqualIgnoringCase(name, section);
        } else if (inSection && EntryOf(line, k, v) && EqualIgnoringCase(k, key)) {
            return std::string(v);
        }
    }
    return std::string(fallback);
}

bool IniProfile::Write(std::string_view section, std::string_view key, std::string_view value,
                       std::string* why) const {
    auto refuse = [&](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    if (value.find_first_of("\r\n") != std::string_view::npos ||
        key.find_first_of("\r\n=") != std::string_view::npos) {
        return refuse("значение не может содержать перевод строки");
    }
    if (PathTooLong(file))
        return refuse("не удалось записать файл " + Utf8FromPath(file) + ": " + kPathTooLongText);
    Content c = Load(file);
    const std::string entry = std::string(key) + "=" + Encode(value);
    bool inSection = false, done = false;
    size_t sectionEnd = std::string::npos;  // where a missing key of the section goes
    for (size_t i = 0; i < c.lines.size() && !done; ++i) {
        std::string_view name, k, v;
        if (SectionOf(c.lines[i], name)) {
            if (inSection) break;
            inSection = EqualIgnoringCase(name, section);
            if (inSection) sectionEnd = i + 1;
        } else if (inSection) {
            if (EntryOf(c.lines[i], k, v) && EqualIgnoringCase(k, key)) {
                c.lines[i] = entry;
                done = true;
            } else if (!Trim(c.lines[i]).empty()) {
                sectionEnd = i + 1;
            }
        }
    }
    if (!done && sectionEnd != std::string::npos) {
        c.lines.insert(c.lines.begin() + static_cast<long>(sectionEnd), entry);
    } else if (!done) {
        if (!c.lines.empty() && !Trim(c.lines.back()).empty()) c.lines.emplace_back();
        c.lines.push_back("[" + std::string(section) + "]");
        c.lines.push_back(entry);
    }

    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    std::string content;
    for (const std::string& line : c.lines) content += line + c.newline;
    if (const auto failed = ReplaceFileWhole(file, content)) {
        const std::string reason = failed->code.message();
        switch (failed->step) {
            case ReplaceFileError::Step::kCreate:
                return refuse("не удалось создать файл " + Utf8FromPath(failed->temporary) + ": " + reason);
            case ReplaceFileError::Step::kWrite:
                return refuse("не удалось записать файл " + Utf8FromPath(failed->temporary) + ": " + reason);
            case ReplaceFileError::Step::kRename:
                return refuse("не удалось заменить файл " + Utf8FromPath(file) + ": " + reason);
        }
    }
    return true;
}

}  // namespace zort
