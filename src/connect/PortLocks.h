#pragma once
// The ways another program claims a serial port, read without disturbing it: the tty's
// exclusive flag (TIOCEXCL), an flock() on the device, and a UUCP-style lock file
// naming the owner's pid. Root may open an exclusive tty and nothing forces anyone to
// honour the locks, so whoever must not disturb a port has to look at all three.

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "connect/SystemView.h"

namespace zort {

// The lock file of a port: <lock dir>/LCK..ttyUSB0; below the device folder a '/' of
// the name becomes '_' (LCK..pts_3).
std::string UucpLockPath(const SystemView& system, const std::string& port);

// The pid in a lock file's text: ten ASCII digits padded with spaces (the usual form) or
// a 4-byte binary int (an old one). 0 when it holds neither.
int ParseUucpLockPid(std::string_view content);

// The live process the port's lock file names; 0 when there is no file, it names no pid
// or the pid is gone (a stale lock left by a crash).
int UucpLocker(const SystemView& system, const std::string& port);

// The pids holding an flock() on the inode (dev, ino), from the text of <proc>/locks.
// Blocked waiters ("->" lines) do not hold it.
std::vector<int> ParseFlockHolders(std::string_view locks, dev_t dev, ino_t ino);
std::vector<int> FlockHolders(const SystemView& system, dev_t dev, ino_t ino);

struct UseCheck {
    int openError = 0;       // errno of the open; the flags below mean nothing then
    bool exclusive = false;  // TIOCEXCL is set
    bool locked = false;     // somebody holds an flock() on it
};

// Opens the tty non-blocking without making it the controlling terminal and only asks:
// the exclusive flag, and whether an flock() could be taken (it is dropped again by the
// close). Nothing is written, no line setting changes.
UseCheck CheckInUse(const std::string& port);

}  // namespace zort
