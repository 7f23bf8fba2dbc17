#pragma once
// What a path names, found without opening it. Opening is not harmless for every
// device (a watchdog starts counting, a tape rewinds), so a port is opened only once the
// kernel's table of terminal drivers says its device number belongs to a serial line.
// On Windows a port is a device name (COM5, com5, \\.\COM5) rather than a path; the
// system's list of ports says which are serial lines.

#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <sys/types.h>
#endif

#include "connect/SystemView.h"

namespace zort {

enum class NodeKind {
    kMissing,       // nothing there (or a folder on the way is not one)
    kInaccessible,  // stat() itself was refused
    kRegularFile,
    kDirectory,
    kFifo,
    kSocket,
    kBlockDevice,
    kCharDevice,      // a character device no terminal driver owns
    kSystemTerminal,  // the controlling terminal, the console, a virtual console, ptmx
    kSerialLine,      // a serial port or a pseudo-terminal's slave
};

struct PortNode {
    NodeKind kind = NodeKind::kMissing;
    int osError = 0;
#ifndef _WIN32
    dev_t rdev = 0;
    dev_t dev = 0;
    ino_t ino = 0;
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0;
#endif
};

// Classifies `path` (symbolic links followed). When the drivers table cannot be read,
// every character device counts as a serial line and the open's own isatty() decides.
// On Windows: a listed port, or a COM port the device namespace knows, is a serial line;
// another device name (NUL) a character device; anything else a file, a folder or missing.
PortNode InspectNode(const SystemView& system, const std::string& path);

// The reason, Russian, why a path that is not a serial line cannot be probed; empty for
// a serial line.
std::string NotSerialReason(const std::string& path, NodeKind kind);

#ifndef _WIN32

// One line of <proc>/tty/drivers.
struct TtyDriver {
    std::string name;
    std::string devPrefix;
    unsigned major = 0;
    unsigned minorFirst = 0;
    unsigned minorLast = 0;
    std::string type;  // "serial", "pty:slave", "console", "system:/dev/tty", ...
};

std::vector<TtyDriver> ParseTtyDrivers(std::string_view text);

// N of the pseudo-terminal slave /dev/pts/N with device number `rdev`, whatever the
// node is called (a symbolic link, a node a container made, a bind mount); -1 for
// anything else or when the drivers table cannot be read.
int PtyIndex(const SystemView& system, dev_t rdev);

#endif

}  // namespace zort
