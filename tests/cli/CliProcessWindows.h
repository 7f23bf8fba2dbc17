#pragma once
// Runs the real zortcfg.exe (or another program) as a child process on Windows and
// collects what it printed and its exit status, the way a script sees it: the arguments
// are passed on the wide command line, quoted as the C runtime and CommandLineToArgvW
// read them back, so that a Cyrillic file name arrives whole. A child that is still
// running after a minute is ended, so a hanging command fails its test instead of
// stalling the suite.

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "files/Utf8Path.h"

namespace zort::test {

struct CliResult {
    int status = -1;  // exit status; -1 when ended for taking too long or not started
    std::string out;
    std::string err;
    double seconds = 0.0;
};

struct CliOptions {
    std::string workingDirectory;
    // A console of the child's own (hidden), so that a Ctrl+C sent there reaches the
    // child alone.
    bool ownConsole = false;
};

inline CliOptions InDirectory(std::string directory) {
    CliOptions options;
    options.workingDirectory = std::move(directory);
    return options;
}

// One argument as the command line's parser gives it back: quotes around it when it has
// a blank or a quote, backslashes doubled only before a quote.
inline std::wstring QuotedArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// The folder this test program was started from, where the build puts zortcfg.exe too.
inline std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

inline void ReadAll(HANDLE pipe, std::string& sink) {
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) sink.append(buffer, got);
}

inline CliResult RunProgram(const std::wstring& program, const std::vector<std::string>& args,
                            const CliOptions& options = {}) {
    CliResult result;
    std::wstring commandLine = QuotedArgument(program);
    for (const std::string& a : args) commandLine += L" " + QuotedArgument(WideFromUtf8(a));

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!::CreatePipe(&outRead, &outWrite, &inheritable, 0)) return result;
    if (!::CreatePipe(&errRead, &errWrite, &inheritable, 0)) return result;
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    const HANDLE input = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                       OPEN_EXISTING, 0, nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = input;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const std::wstring folder = WideFromUtf8(options.workingDirectory);
    const auto start = std::chrono::steady_clock::now();
    const bool started = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                          options.ownConsole ? CREATE_NEW_CONSOLE : 0, nullptr,
                                          folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    // The child has its own copies now: the pipes end when it does.
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    ::CloseHandle(input);
    if (started) {
        std::thread outReader([&] { ReadAll(outRead, result.out); });
        std::thread errReader([&] { ReadAll(errRead, result.err); });
        const bool ended = ::WaitForSingleObject(process.hProcess, 60 * 1000) == WAIT_OBJECT_0;
        if (!ended) {
            ::TerminateProcess(process.hProcess, 1);
            ::WaitForSingleObject(process.hProcess, INFINITE);
        }
        outReader.join();
        errReader.join();
        DWORD code = 0;
        if (ended && ::GetExitCodeProcess(process.hProcess, &code)) result.status = static_cast<int>(code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

inline CliResult RunZortcfg(const std::vector<std::string>& args, const CliOptions& options = {}) {
    return RunProgram(ProgramFolder() + L"zortcfg.exe", args, options);
}

}  // namespace zort::test
