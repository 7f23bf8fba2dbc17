// What a failed file operation tells the user: the same words whichever way the system
// said it. On Windows the system category holds Windows error codes, several of which
// share their numbers with unrelated errno values (ERROR_ACCESS_DENIED is 5, EIO's
// number; ERROR_READ_FAULT is 30, EROFS's), so each must be read as its errno twin.

#include <gtest/gtest.h>

#include <cerrno>

#include "files/FileErrorText.h"
#include "files/Utf8Path.h"

namespace zort {
namespace {

struct Cause {
    int errnoValue;   // 0: Windows alone says this
    int windowsCode;  // 0: no Windows code of its own
    const char* written;
    const char* read;  // nullptr: the system's own words when reading
};

const Cause kCauses[] = {
    {ENOSPC, 112, "на диске нет места", nullptr},             // ERROR_DISK_FULL
    {ENOSPC, 39, "на диске нет места", nullptr},              // ERROR_HANDLE_DISK_FULL
    {EACCES, 5, "нет прав на запись", "нет прав на чтение"},  // ERROR_ACCESS_DENIED
    {EPERM, 0, "нет прав на запись", "нет прав на чтение"},
    {EROFS, 19, "диск доступен только для чтения", nullptr},    // ERROR_WRITE_PROTECT
    {ENOENT, 2, "папка не существует", "файл не найден"},       // ERROR_FILE_NOT_FOUND
    {ENOENT, 3, "папка не существует", "файл не найден"},       // ERROR_PATH_NOT_FOUND
    {ENOTDIR, 267, "часть пути — не папка", nullptr},           // ERROR_DIRECTORY
    {EIO, 1117, "ошибка ввода-вывода", "ошибка ввода-вывода"},  // ERROR_IO_DEVICE
    {0, 30, "ошибка ввода-вывода", "ошибка ввода-вывода"},      // ERROR_READ_FAULT
    {0, 29, "ошибка ввода-вывода", "ошибка ввода-вывода"},      // ERROR_WRITE_FAULT
    {0, 1295, "превышена дисковая квота", nullptr},             // ERROR_DISK_QUOTA_EXCEEDED
    {EISDIR, 0, nullptr, "это папка, а не файл"},
#ifdef EDQUOT
    {EDQUOT, 0, "превышена дисковая квота", nullptr},
#endif
#ifdef _WIN32
    {ENAMETOOLONG, 206, kPathTooLongText, kPathTooLongText},  // ERROR_FILENAME_EXCED_RANGE
#endif
};

void ExpectWords(const std::error_code& error, const Cause& cause) {
    SCOPED_TRACE(error.value());
    if (cause.written) {
        EXPECT_EQ(FileErrorText(error), cause.written);
    }
    EXPECT_EQ(FileReadErrorText(error), cause.read ? std::string(cause.read) : error.message());
}

TEST(FileErrorText, EachCauseInTheSameWordsWhicheverWayTheSystemSaidIt) {
    for (const Cause& cause : kCauses) {
        if (cause.errnoValue != 0)
            ExpectWords(std::error_code(cause.errnoValue, std::generic_category()), cause);
#ifdef _WIN32
        if (cause.windowsCode != 0)
            ExpectWords(std::error_code(cause.windowsCode, std::system_category()), cause);
#else
        if (cause.errnoValue != 0)
            ExpectWords(std::error_code(cause.errnoValue, std::system_category()), cause);
#endif
    }
}

TEST(FileErrorText, WhatItHasNoWordsForIsTheSystemsOwnText) {
    const std::error_code unusual(EBADF, std::generic_category());
    EXPECT_EQ(FileErrorText(unusual), unusual.message());
    const std::error_code other = std::make_error_code(std::io_errc::stream);
    EXPECT_EQ(FileErrorText(other), other.message());
    EXPECT_EQ(FileReadErrorText(other), other.message());
}

}  // namespace
}  // namespace zort
