#include "cli/WindowsConsole.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "files/Utf8Path.h"

namespace zort::cli {
namespace {

UINT outputCodePage = 0;

void GiveCodePageBack() {
    std::fflush(stdout);
    std::fflush(stderr);
    ::SetConsoleOutputCP(outputCodePage);
}

}  // namespace

Utf8Arguments::Utf8Arguments() {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide != nullptr) {
        for (int k = 0; k < count; ++k) arguments.push_back(Utf8FromWide(wide[k]));
        ::LocalFree(wide);
    }
    for (std::string& argument : arguments) values.push_back(argument.data());
    values.push_back(nullptr);
}

void PrepareConsole() {
    // The console is the whole window's, shared with the shell that started us.
    outputCodePage = ::GetConsoleOutputCP();
    if (outputCodePage != 0 && outputCodePage != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8))
        std::atexit(GiveCodePageBack);
    // Text mode would write "\r\n" for every "\n": into files and pipes, which a script
    // compares with what the program writes on Linux.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (::GetConsoleMode(err, &mode)) ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool StderrTakesEscapes() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) &&
           (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace zort::cli
