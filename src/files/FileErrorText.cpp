#include "files/FileErrorText.h"

#include <cerrno>

namespace zort {

std::string FileErrorText(const std::error_code& error) {
    if (error.category() == std::generic_category() || error.category() == std::system_category()) {
        switch (error.value()) {
            case ENOSPC:
                return "на диске нет места";
            case EDQUOT:
                return "превышена дисковая квота";
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
            default:
                break;
        }
    }
    return error.message();
}

std::string FileReadErrorText(const std::error_code& error) {
    if (error.category() == std::generic_category() || error.category() == std::system_category()) {
        switch (error.value()) {
            case ENOENT:
                return "файл не найден";
            case EACCES:
            case EPERM:
                return "нет прав на чтение";
            case EISDIR:
                return "это папка, а не файл";
            case EIO:
                return "ошибка ввода-вывода";
            default:
                break;
        }
    }
    return error.message();
}

}  // namespace zort
