#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "history/LogAppend.h"

namespace zort {
namespace {

// Called with the lock held. The lock is on "log" itself, so a program that opened the
// old file before the rename re-checks, after taking the lock, that it still has "log".
void RotateIfFull(int fd, const std::filesystem::path& file, std::uintmax_t limit, int kept) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<std::uintmax_t>(st.st_size) < limit) return;
    const std::string base = file.string();
    std::remove((base + "." + std::to_string(kept)).c_str());
    for (int k = kept - 1; k >= 1; --k) {
        std::rename((base + "." + std::to_string(k)).c_str(), (base + "." + std::to_string(k + 1)).c_str());
    }
    std::rename(base.c_str(), (base + ".1").c_str());
}

}  // namespace

bool AppendToLog(const std::filesystem::path& file, std::string_view line, std::uintmax_t limit, int kept) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        if (::flock(fd, LOCK_EX) != 0) {
            ::close(fd);
            return false;
        }
        // Another program may have rotated the file between our open and our lock.
        struct stat opened {
        }, named{};
        if (::fstat(fd, &opened) != 0 || ::stat(file.c_str(), &named) != 0 || opened.st_ino != named.st_ino) {
            ::close(fd);
            continue;
        }
        RotateIfFull(fd, file, limit, kept);
        struct stat now {};
        if (::stat(file.c_str(), &now) != 0 || now.st_ino != opened.st_ino) {
            // Rotated just now: the line goes into the new file.
            ::close(fd);
            continue;
        }
        const ssize_t written = ::write(fd, line.data(), line.size());
        ::close(fd);
        return written == static_cast<ssize_t>(line.size());
    }
    return false;
}

}  // namespace zort
