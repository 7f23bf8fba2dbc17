#include <windows.h>

#include <atomic>
#include <string>

#include "files/ReplaceFile.h"
#include "files/Utf8Path.h"

namespace zort {
namespace {

// Windows error codes stay what they are: the system category maps each to its errno
// twin when compared (ERROR_ALREADY_EXISTS equals std::errc::file_exists), and
// FileErrorText reads them so.
std::error_code LastError() {
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
}

bool WriteAll(HANDLE file, std::string_view content) {
    while (!content.empty()) {
        // WriteFile takes a DWORD count; a larger content goes in pieces.
        const DWORD piece = content.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(content.size());
        DWORD written = 0;
        if (!::WriteFile(file, content.data(), piece, &written, nullptr)) return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        content.remove_prefix(written);
    }
    return true;
}

// Writes and flushes `content` to `temporary`; the temporary is gone after a failure.
// Nobody else may open it meanwhile: it is this write's until it is renamed.
std::optional<ReplaceFileError> WriteTemporary(const std::filesystem::path& temporary,
                                               std::string_view content) {
    if (PathTooLong(temporary)) {
        return ReplaceFileError{ReplaceFileError::Step::kCreate,
                                std::error_code(ERROR_FILENAME_EXCED_RANGE, std::system_category()),
                                temporary};
    }
    const HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return ReplaceFileError{ReplaceFileError::Step::kCreate, LastError(), temporary};
    }
    // FlushFileBuffers is the one call that puts the data on the disk before the rename.
    const bool written = WriteAll(file, content) && ::FlushFileBuffers(file);
    const std::error_code writeError = written ? std::error_code() : LastError();
    const bool closed = ::CloseHandle(file) != 0;
    const std::error_code closeError = closed ? std::error_code() : LastError();
    if (written && closed) return std::nullopt;
    ::DeleteFileW(temporary.c_str());
    return ReplaceFileError{ReplaceFileError::Step::kWrite, written ? closeError : writeError, temporary};
}

// The rename, written through to the disk before it returns: NTFS journals the folder
// itself, so unlike on Linux there is no folder to flush afterwards.
std::optional<ReplaceFileError> MoveTemporary(const std::filesystem::path& temporary,
                                              const std::filesystem::path& target, DWORD flags) {
    if (::MoveFileExW(temporary.c_str(), target.c_str(), flags | MOVEFILE_WRITE_THROUGH)) return std::nullopt;
    const std::error_code code = LastError();
    ::DeleteFileW(temporary.c_str());
    return ReplaceFileError{ReplaceFileError::Step::kRename, code, temporary};
}

}  // namespace

std::optional<ReplaceFileError> ReplaceFileWhole(const std::filesystem::path& target,
                                                 std::string_view content) {
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    if (auto failed = WriteTemporary(temporary, content)) return failed;
    return MoveTemporary(temporary, target, MOVEFILE_REPLACE_EXISTING);
}

std::optional<ReplaceFileError> CreateFileWhole(const std::filesystem::path& target,
                                                std::string_view content) {
    std::filesystem::path temporary = target;
    // This process's and this call's own: threads of one program may back up side by side.
    static std::atomic<unsigned> calls{0};
    temporary += "." + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(calls++) + ".tmp";
    if (auto failed = WriteTemporary(temporary, content)) return failed;
    // Without MOVEFILE_REPLACE_EXISTING the name is taken whole or not at all: a file
    // already there fails the move with ERROR_ALREADY_EXISTS and stays as it was.
    return MoveTemporary(temporary, target, 0);
}

}  // namespace zort
