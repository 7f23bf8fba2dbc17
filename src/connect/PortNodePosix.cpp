#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "connect/PortNode.h"

namespace zort {
namespace {

bool ParseRange(const std::string& text, unsigned& first, unsigned& last) {
    const size_t dash = text.find('-');
    try {
        first = static_cast<unsigned>(std::stoul(text.substr(0, dash)));
        last = dash == std::string::npos ? first : static_cast<unsigned>(std::stoul(text.substr(dash + 1)));
    } catch (...) {
        return false;
    }
    return first <= last;
}

NodeKind KindOfCharDevice(const std::vector<TtyDriver>& drivers, dev_t rdev) {
    if (drivers.empty()) return NodeKind::kSerialLine;
    const unsigned maj = major(rdev);
    const unsigned min = minor(rdev);
    for (const TtyDriver& d : drivers) {
        if (d.major != maj || min < d.minorFirst || min > d.minorLast) continue;
        if (d.type == "serial" || d.type == "pty:slave") return NodeKind::kSerialLine;
        return NodeKind::kSystemTerminal;
    }
    return NodeKind::kCharDevice;
}

std::vector<TtyDriver> ReadTtyDrivers(const SystemView& system) {
    std::ifstream in(system.ProcRoot() + "/tty/drivers");
    std::stringstream text;
    text << in.rdbuf();
    return ParseTtyDrivers(text.str());
}

}  // namespace

std::vector<TtyDriver> ParseTtyDrivers(std::string_view text) {
    std::vector<TtyDriver> drivers;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        TtyDriver d;
        std::string range;
        if (!(fields >> d.name >> d.devPrefix >> d.major >> range >> d.type)) continue;
        if (!ParseRange(range, d.minorFirst, d.minorLast)) continue;
        drivers.push_back(std::move(d));
    }
    return drivers;
}

PortNode InspectNode(const SystemView& system, const std::string& path) {
    PortNode node;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        node.osError = errno;
        node.kind = errno == EACCES || errno == EPERM ? NodeKind::kInaccessible : NodeKind::kMissing;
        return node;
    }
    node.rdev = st.st_rdev;
    node.dev = st.st_dev;
    node.ino = st.st_ino;
    node.owner = st.st_uid;
    node.group = st.st_gid;
    node.mode = st.st_mode;
    if (S_ISREG(st.st_mode)) {
        node.kind = NodeKind::kRegularFile;
    } else if (S_ISDIR(st.st_mode)) {
        node.kind = NodeKind::kDirectory;
    } else if (S_ISFIFO(st.st_mode)) {
        node.kind = NodeKind::kFifo;
    } else if (S_ISSOCK(st.st_mode)) {
        node.kind = NodeKind::kSocket;
    } else if (S_ISBLK(st.st_mode)) {
        node.kind = NodeKind::kBlockDevice;
    } else {
        node.kind = KindOfCharDevice(ReadTtyDrivers(system), st.st_rdev);
    }
    return node;
}

int PtyIndex(const SystemView& system, dev_t rdev) {
    for (const TtyDriver& d : ReadTtyDrivers(system)) {
        if (d.type != "pty:slave" || d.major != major(rdev)) continue;
        if (minor(rdev) >= d.minorFirst && minor(rdev) <= d.minorLast) return static_cast<int>(minor(rdev));
    }
    return -1;
}

}  // namespace zort
