#include <windows.h>

#include <string>

#include "history/LogAppend.h"

namespace zort {
namespace {

// Every program opens the log letting the others read, write and rename it: the
// rotation renames a file that others may hold open. Read access is what LockFileEx
// asks for; append-only data access makes every write land at the end of the file.
HANDLE OpenForAppend(const std::filesystem::path& file) {
    return ::CreateFileW(file.c_str(), GENERIC_READ | FILE_APPEND_DATA,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

struct FileIdentity {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const FileIdentity&) const = default;
};

bool IdentityOf(HANDLE handle, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) return false;
    identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

// The file that has the name now, which need not be the one a handle holds.
bool IdentityOf(const std::filesystem::path& file, FileIdentity& identity) {
    const HANDLE handle =
        ::CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool known = IdentityOf(handle, identity);
    ::CloseHandle(handle);
    return known;
}

std::filesystem::path Numbered(const std::filesystem::path& file, int k) {
    std::filesystem::path name = file;
    name += "." + std::to_string(k);
    return name;
}

// Called with the lock held, as on Linux. A rename refused because some other program
// holds a file without letting it be renamed leaves the log growing until a later line.
void RotateIfFull(HANDLE handle, const std::filesystem::path& file, std::uintmax_t limit, int kept) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle, &size) || static_cast<std::uintmax_t>(size.QuadPart) < limit) return;
    ::DeleteFileW(Numbered(file, kept).c_str());
    for (int k = kept - 1; k >= 1; --k) {
        ::MoveFileExW(Numbered(file, k).c_str(), Numbered(file, k + 1).c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ::MoveFileExW(file.c_str(), Numbered(file, 1).c_str(), MOVEFILE_REPLACE_EXISTING);
}

// Closing the handle would release the lock too; unlocking first says so.
void Release(HANDLE handle, OVERLAPPED& whole) {
    ::UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &whole);
    ::CloseHandle(handle);
}

}  // namespace

bool AppendToLog(const std::filesystem::path& file, std::string_view line, std::uintmax_t limit, int kept) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const HANDLE handle = OpenForAppend(file);
        if (handle == INVALID_HANDLE_VALUE) return false;
        OVERLAPPED whole{};
        if (!::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
            ::CloseHandle(handle);
            return false;
        }
        // Another program may have rotated the file between our open and our lock.
        FileIdentity opened, named, now;
        if (!IdentityOf(handle, opened) || !IdentityOf(file, named) || !(opened == named)) {
            Release(handle, whole);
            continue;
        }
        RotateIfFull(handle, file, limit, kept);
        if (!IdentityOf(file, now) || !(now == opened)) {
            // Rotated just now: the line goes into the new file.
            Release(handle, whole);
            continue;
        }
        DWORD written = 0;
        const bool ok =
            ::WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
            written == line.size();
        Release(handle, whole);
        return ok;
    }
    return false;
}

}  // namespace zort
