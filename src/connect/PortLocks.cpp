#include "connect/PortLocks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zort {
namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string UucpLockPath(const SystemView& system, const std::string& port) {
    namespace fs = std::filesystem;
    std::string name = fs::path(port).filename().string();
    const std::string devPrefix = system.DevRoot() + "/";
    if (port.compare(0, devPrefix.size(), devPrefix) == 0) {
        name = port.substr(devPrefix.size());
        for (char& c : name) {
            if (c == '/') c = '_';
        }
    }
    return system.LockDir() + "/LCK.." + name;
}

int ParseUucpLockPid(std::string_view content) {
    size_t i = 0;
    while (i < content.size() && content[i] == ' ') ++i;
    long pid = 0;
    size_t digits = 0;
    while (i < content.size() && std::isdigit(static_cast<unsigned char>(content[i])) && digits < 10) {
        pid = pid * 10 + (content[i] - '0');
        ++i;
        ++digits;
    }
    if (digits > 0) return pid <= INT_MAX ? static_cast<int>(pid) : 0;
    if (content.size() == sizeof(int)) {
        int binary = 0;
        std::memcpy(&binary, content.data(), sizeof binary);
        return binary > 0 ? binary : 0;
    }
    return 0;
}

int UucpLocker(const SystemView& system, const std::string& port) {
    const std::string lockFile = UucpLockPath(system, port);
    std::error_code ec;
    if (!std::filesystem::exists(lockFile, ec)) return 0;
    const int pid = ParseUucpLockPid(ReadWhole(lockFile));
    if (pid <= 0) return 0;
    // Through the view's /proc rather than kill(pid, 0): the answer must not depend on
    // whether we may signal the owner.
    return std::filesystem::is_directory(system.ProcRoot() + "/" + std::to_string(pid), ec) ? pid : 0;
}

std::vector<int> ParseFlockHolders(std::string_view locks, dev_t dev, ino_t ino) {
    // "1: FLOCK  ADVISORY  WRITE 1234 00:05:123 0 EOF": the device in hex as
    // major:minor of the file system, then the inode in decimal.
    std::vector<int> pids;
    std::istringstream lines{std::string(locks)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string ordinal, kind, mode, access, where;
        int pid = 0;
        if (!(fields >> ordinal >> kind)) continue;
        if (kind == "->" || kind != "FLOCK") continue;
        if (!(fields >> mode >> access >> pid >> where)) continue;
        unsigned maj = 0, min = 0;
        unsigned long long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &maj, &min, &inode) != 3) continue;
        if (makedev(maj, min) == dev && inode == ino && pid > 0) pids.push_back(pid);
    }
    return pids;
}

std::vector<int> FlockHolders(const SystemView& system, dev_t dev, ino_t ino) {
    return ParseFlockHolders(ReadWhole(system.ProcRoot() + "/locks"), dev, ino);
}

UseCheck CheckInUse(const std::string& port) {
    UseCheck check;
    const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        check.openError = errno;
        return check;
    }
    int exclusive = 0;
    check.exclusive = ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    check.locked = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // drops the flock we may have taken
    return check;
}

}  // namespace zort
