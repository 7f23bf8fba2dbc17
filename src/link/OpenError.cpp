#include "link/OpenError.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include "files/Utf8Path.h"
#endif

namespace zort {

#ifdef _WIN32

std::string OsErrorText(int osError) {
    wchar_t text[512];
    DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         static_cast<DWORD>(osError), 0, text, sizeof text / sizeof text[0], nullptr);
    // The system's sentences end with a dot and a line break; ours go on after them.
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' ||
                          text[length - 1] == L' ' || text[length - 1] == L'.')) {
        --length;
    }
    if (length == 0) return "системная ошибка " + std::to_string(static_cast<unsigned long>(osError));
    return Utf8FromWide(std::wstring_view(text, length));
}

#else

std::string OsErrorText(int osError) {
    return std::strerror(osError);
}

#endif

std::string OpenError::Describe() const {
    const std::string where = port.empty() ? std::string("(порт не выбран)") : port;
    switch (reason) {
        case OpenFailure::kNone:
            return {};
        case OpenFailure::kNoDevice:
            return "Порт " + where + " не найден: устройство не подключено или имя порта неверно";
#ifdef _WIN32
        // Windows has no device groups and no ModemManager; a port another program holds
        // answers "access denied" there.
        case OpenFailure::kPermissionDenied:
            return "Нет доступа к порту " + where + ": " + OsErrorText(osError);
        case OpenFailure::kBusy:
            return "Порт " + where + " занят другой программой (закройте её и повторите попытку)";
#else
        case OpenFailure::kPermissionDenied:
            return "Нет доступа к порту " + where + ": добавьте пользователя в группу «" +
                   (accessGroup.empty() ? std::string("dialout") : accessGroup) +
                   "» и войдите в систему заново";
        case OpenFailure::kBusy:
            return "Порт " + where +
                   " занят другой программой (новое устройство в течение нескольких секунд может "
                   "проверять ModemManager — повторите попытку)";
#endif
        case OpenFailure::kNotSerial:
            return where + " не является последовательным портом";
        case OpenFailure::kSetupFailed:
            return "Не удалось настроить порт " + where + ": " + OsErrorText(osError);
        case OpenFailure::kCancelled:
            return "Работа с портом " + where + " прервана";
    }
    return {};
}

}  // namespace zort
