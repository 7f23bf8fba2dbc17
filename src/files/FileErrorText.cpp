#include "files/FileErrorText.h"

#include <cerrno>

#include "files/Utf8Path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zort {
namespace {

#ifdef _WIN32
// Not in every SDK's headers: a write over the user's disk quota.
constexpr int kWindowsQuotaExceeded = 1295;
#endif

// The errno an error stands for, 0 for one of no known kind. On Windows the system
// category holds Windows error codes; each is read as its errno twin, so that a full
// disk says the same words whichever call found it.
int ErrnoOf(const std::error_code& error) {
    if (error.category() == std::generic_category()) return error.value();
    if (error.category() != std::system_category()) return 0;
#ifdef _WIN32
    switch (error.value()) {
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_NOT_READY:
            return EIO;
        default:
            break;
    }
    const std::error_condition twin = error.default_error_condition();
    return twin.category() == std::generic_category() ? twin.value() : 0;
#else
    return error.value();
#endif
}

bool QuotaExceeded(const std::error_code& error) {
#ifdef _WIN32
    if (error.category() == std::system_category() && error.value() == kWindowsQuotaExceeded) return true;
#endif
#ifdef EDQUOT
    return ErrnoOf(error) == EDQUOT;
#else
    return false;
#endif
}

}  // namespace

std::string FileErrorText(const std::error_code& error) {
    if (QuotaExceeded(error)) return "превышена дисковая квота";
    switch (ErrnoOf(error)) {
        case ENOSPC:
            return "на диске нет места";
        case EACCES:
        case EPERM:
            return "нет прав на запись";
        case EROFS:
            return "диск доступен только для чтения";
        case ENOENT:
            return "папка не существует";
        case ENOTDIR:
            return "часть пути — не папка";
        case EIO:
            return "ошибка ввода-вывода";
#ifdef _WIN32
        case ENAMETOOLONG:
            return kPathTooLongText;
#endif
        default:
            break;
    }
    return error.message();
}

std::string FileReadErrorText(const std::error_code& error) {
    switch (ErrnoOf(error)) {
        case ENOENT:
            return "файл не найден";
        case EACCES:
        case EPERM:
            return "нет прав на чтение";
        case EISDIR:
            return "это папка, а не файл";
        case EIO:
            return "ошибка ввода-вывода";
#ifdef _WIN32
        case ENAMETOOLONG:
            return kPathTooLongText;
#endif
        default:
            break;
    }
    return error.message();
}

}  // namespace zort
