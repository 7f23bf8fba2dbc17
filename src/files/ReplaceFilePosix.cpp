#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "files/ReplaceFile.h"

namespace zort {
namespace {

std::error_code Errno() {
    return std::error_code(errno, std::generic_category());
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The rename itself is on the disk only once the folder is. Not every file system lets a
// folder be flushed; those that refuse have nothing to flush.
void FlushFolder(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

// A file system that cannot flush a file (some network and special ones) says so with
// these; the data then is as safe as that file system makes it, and the save goes on.
bool Flushed(int fd) {
    if (::fsync(fd) == 0) return true;
    return errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP;
}

// Writes and flushes `content` to `temporary`; the temporary is gone after a failure.
std::optional<ReplaceFileError> WriteTemporary(const std::filesystem::path& temporary,
                                               std::string_view content) {
    const auto fail = [&](ReplaceFileError::Step step, std::error_code code) {
        ::unlink(temporary.c_str());
        return ReplaceFileError{step, code, temporary};
    };

    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return ReplaceFileError{ReplaceFileError::Step::kCreate, Errno(), temporary};
    const bool written = WriteAll(fd, content) && Flushed(fd);
    const std::error_code writeError = written ? std::error_code() : Errno();
    if (::close(fd) != 0 && written) return fail(ReplaceFileError::Step::kWrite, Errno());
    if (!written) return fail(ReplaceFileError::Step::kWrite, writeError);
    return std::nullopt;
}

}  // namespace

std::optional<ReplaceFileError> ReplaceFileWhole(const std::filesystem::path& target,
                                                 std::string_view content) {
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    if (auto failed = WriteTemporary(temporary, content)) return failed;
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::error_code code = Errno();
        ::unlink(temporary.c_str());
        return ReplaceFileError{ReplaceFileError::Step::kRename, code, temporary};
    }
    FlushFolder(target);
    return std::nullopt;
}

std::optional<ReplaceFileError> CreateFileWhole(const std::filesystem::path& target,
                                                std::string_view content) {
    std::filesystem::path temporary = target;
    // This process's and this call's own: threads of one program may back up side by side.
    static std::atomic<unsigned> calls{0};
    temporary += "." + std::to_string(::getpid()) + "-" + std::to_string(calls++) + ".tmp";
    if (auto failed = WriteTemporary(temporary, content)) return failed;
    // A hard link never replaces what is there: the name is taken whole or not at all.
    bool linked = ::link(temporary.c_str(), target.c_str()) == 0;
    std::error_code code = linked ? std::error_code() : Errno();
    if (!linked && (code.value() == EPERM || code.value() == ENOTSUP || code.value() == EOPNOTSUPP)) {
        // A file system without hard links (a memory stick's): reserve the name, then
        // rename over the empty reservation.
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        code = fd < 0 ? Errno() : std::error_code();
        if (fd >= 0) {
            ::close(fd);
            linked = ::rename(temporary.c_str(), target.c_str()) == 0;
            code = linked ? std::error_code() : Errno();
            if (!linked) ::unlink(target.c_str());
        }
    }
    ::unlink(temporary.c_str());
    if (!linked) return ReplaceFileError{ReplaceFileError::Step::kRename, code, temporary};
    FlushFolder(target);
    return std::nullopt;
}

}  // namespace zort
