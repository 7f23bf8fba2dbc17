#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>

#include "connect/Holders.h"
#include "connect/PortNode.h"

namespace zort {
namespace {

namespace fs = std::filesystem;

struct PortIdentity {
    std::string path;
    std::string canonical;
    bool statted = false;
    dev_t dev = 0;
    ino_t ino = 0;
    int ptyIndex = -1;  // N for <dev>/pts/N
};

PortIdentity IdentityOf(const SystemView& system, const std::string& port) {
    PortIdentity id;
    id.path = port;
    std::error_code ec;
    id.canonical = fs::weakly_canonical(port, ec).string();
    struct stat st {};
    if (stat(port.c_str(), &st) == 0) {
        id.statted = true;
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        if (S_ISCHR(st.st_mode)) id.ptyIndex = PtyIndex(system, st.st_rdev);
    }
    for (const std::string& candidate : {id.canonical, id.path}) {
        const std::string ptsPrefix = system.DevRoot() + "/pts/";
        if (candidate.rfind(ptsPrefix, 0) != 0) continue;
        const std::string index = candidate.substr(ptsPrefix.size());
        if (!index.empty() && std::all_of(index.begin(), index.end(), ::isdigit))
            id.ptyIndex = std::stoi(index);
    }
    return id;
}

std::vector<int> Pids(const SystemView& system) {
    std::vector<int> pids;
    std::error_code ec;
    for (fs::directory_iterator it(system.ProcRoot(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
        pids.push_back(std::stoi(name));
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

std::string CommOf(const SystemView& system, int pid) {
    std::ifstream in(system.ProcRoot() + "/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// The pty a master descriptor serves, from its fdinfo; -1 when the kernel does not say.
int MasterIndex(const fs::path& fdinfo) {
    std::ifstream in(fdinfo);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("tty-index:", 0) != 0) continue;
        try {
            return std::stoi(line.substr(10));
        } catch (...) {
            return -1;
        }
    }
    return -1;
}

struct ProcessUse {
    std::set<size_t> ports;       // indexes into the ports asked about
    std::set<int> masterIndexes;  // pseudo-terminals whose master it holds
};

bool Matches(const PortIdentity& port, const std::string& target, const struct stat* st) {
    // When both ends can be looked at, the file itself decides: a process in another
    // mount namespace (a container, a sandbox) may hold a different device under the
    // same name.
    if (st != nullptr && port.statted) return st->st_dev == port.dev && st->st_ino == port.ino;
    return target == port.path || target == port.canonical;
}

// False when the descriptors of `pid` could not be listed for want of rights.
bool ScanProcess(const SystemView& system, int pid, const std::vector<PortIdentity>& ports, ProcessUse& use) {
    const fs::path base = fs::path(system.ProcRoot()) / std::to_string(pid);
    std::error_code ec;
    fs::directory_iterator it(base / "fd", ec);
    if (ec) return ec != std::errc::permission_denied && ec != std::errc::operation_not_permitted;
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code linkEc;
        const std::string target = fs::read_symlink(it->path(), linkEc).string();
        if (linkEc) continue;
        struct stat st {};
        const bool statted = stat(it->path().c_str(), &st) == 0;
        if (fs::path(target).filename() == "ptmx") {
            const int index = MasterIndex(base / "fdinfo" / it->path().filename());
            if (index >= 0) use.masterIndexes.insert(index);
            continue;
        }
        for (size_t k = 0; k < ports.size(); ++k) {
            if (Matches(ports[k], target, statted ? &st : nullptr)) use.ports.insert(k);
        }
    }
    return true;
}

}  // namespace

HolderScan FindHolders(const SystemView& system, const std::vector<std::string>& ports) {
    HolderScan scan;
    scan.perPort.resize(ports.size());
    std::vector<PortIdentity> ids;
    for (const std::string& port : ports) ids.push_back(IdentityOf(system, port));
    for (int pid : Pids(system)) {
        ProcessUse use;
        if (!ScanProcess(system, pid, ids, use)) scan.complete = false;
        for (size_t k : use.ports) {
            if (ids[k].ptyIndex >= 0 && use.masterIndexes.count(ids[k].ptyIndex) != 0) continue;
            scan.perPort[k].push_back({pid, CommOf(system, pid)});
        }
    }
    return scan;
}

std::vector<Holder> ProcessesNamed(const SystemView& system, const std::vector<std::string_view>& names) {
    std::vector<Holder> found;
    for (int pid : Pids(system)) {
        const std::string comm = CommOf(system, pid);
        if (std::find(names.begin(), names.end(), comm) != names.end()) found.push_back({pid, comm});
    }
    return found;
}

}  // namespace zort
