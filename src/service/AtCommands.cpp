#include "service/AtCommands.h"

#include <cstdio>
#include <filesystem>

#include "files/Utf8Path.h"

namespace zort {
namespace {

// The largest chunk a write announces, so the longest AT+FSWRITE a name can end up in.
constexpr size_t kLongestChunk = 256;

std::string Hex(unsigned char c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", c);
    return buf;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// What is wrong with one character of a value; empty when nothing.
std::string CharacterProblem(unsigned char c, std::string_view forbidden) {
    if (IsControl(c)) return "недопустимый управляющий символ (код " + Hex(c) + ")";
    if (c >= 0x80) return "символы не из латиницы";
    if (forbidden.find(static_cast<char>(c)) != std::string_view::npos) {
        return std::string("недопустимый символ «") + static_cast<char>(c) + "»";
    }
    return {};
}

}  // namespace

std::string AtFsDelete(std::string_view name) {
    return "AT+FSDEL=C:\\" + std::string(name) + "\r\n";
}

std::string AtFsCreate(std::string_view name) {
    return "AT+FSCREATE=C:\\" + std::string(name) + "\r\n";
}

std::string AtFsWrite(std::string_view name, size_t chunk) {
    return "AT+FSWRITE=C:\\" + std::string(name) + ",1," + std::to_string(chunk) + "," +
           std::to_string(kFsWriteTimeoutMs) + "\r\n";
}

std::string AtSendSms(std::string_view phone) {
    return "AT+CMGS=\"" + std::string(phone) + "\"\r\n";
}

std::string AtDial(std::string_view phone) {
    return "ATD" + std::string(phone) + ";\r\n";
}

std::string ModemFileName(const std::string& path) {
    return Utf8FromPath(PathFromUtf8(path).filename());
}

std::string Printable(std::string_view text, size_t limit) {
    std::string out;
    size_t shown = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // Count characters, not bytes: UTF-8 continuation bytes belong to the one before.
        if ((c & 0xC0) != 0x80 && shown++ == limit) {
            out += "…";
            break;
        }
        if (IsControl(c)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string PhoneNumberProblem(std::string_view phone) {
    for (const char ch : phone) {
        const std::string problem = CharacterProblem(static_cast<unsigned char>(ch), "\"");
        if (!problem.empty()) return "Номер телефона содержит " + problem + ". Команда не отправлена";
    }
    const size_t longest = AtSendSms(phone).size();
    if (longest > kAtCommandLimit) {
        return "Номер телефона слишком длинный (" + std::to_string(phone.size()) +
               " символов, допустимо не более " + std::to_string(phone.size() - (longest - kAtCommandLimit)) +
               "). Команда не отправлена";
    }
    return {};
}

std::string ModemFileNameProblem(std::string_view name) {
    if (name.empty()) return "Не указано имя файла. Файлы не записаны";
    for (const char ch : name) {
        const std::string problem = CharacterProblem(static_cast<unsigned char>(ch), "\",\\");
        if (!problem.empty()) {
            return "Имя файла «" + Printable(name) + "» содержит " + problem +
                   (static_cast<unsigned char>(ch) >= 0x80 ? ": файловая система модема их не поддерживает"
                                                           : "") +
                   ". Файлы не записаны";
        }
    }
    const size_t longest = AtFsWrite(name, kLongestChunk).size();
    if (longest > kAtCommandLimit) {
        return "Имя файла «" + Printable(name) + "» слишком длинное (" + std::to_string(name.size()) +
               " символов, допустимо не более " + std::to_string(name.size() - (longest - kAtCommandLimit)) +
               "). Файлы не записаны";
    }
    return {};
}

}  // namespace zort
