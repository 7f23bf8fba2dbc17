#pragma once
// Where the connection checks read the machine. On Linux: the kernel's trees (/sys,
// /proc), the group database, the device folder, the lock folder of serial ports, and
// who runs the program. Windows keeps none of these: what it tells cheaply is the list of
// COM ports its drivers registered. The host implementation reads the live system; tests
// point a FixedSystemView at what they made up, so every check runs without the hardware
// it is about.

#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/types.h>
#endif

namespace zort {

#ifdef _WIN32

class SystemView {
  public:
    virtual ~SystemView() = default;
    // "COM3", "COM10": the ports the system lists now, in natural order.
    virtual std::vector<std::string> SerialPorts() const = 0;
};

// The running system: the registry's list of serial ports, read at every call.
class HostSystemView : public SystemView {
  public:
    std::vector<std::string> SerialPorts() const override;
};

const SystemView& HostSystem();

// Everything given; starts with no port.
class FixedSystemView : public SystemView {
  public:
    std::vector<std::string> SerialPorts() const override { return serialPorts; }

    std::vector<std::string> serialPorts;
};

#else

struct UserIdentity {
    uid_t uid = 0;
    std::vector<gid_t> gids;  // what this login session holds: effective group and supplementary ones
    std::string login;        // the name /etc/group lists members by
};

class SystemView {
  public:
    virtual ~SystemView() = default;
    virtual std::string SysRoot() const = 0;    // "/sys"
    virtual std::string ProcRoot() const = 0;   // "/proc"
    virtual std::string GroupFile() const = 0;  // "/etc/group"
    virtual std::string DevRoot() const = 0;    // "/dev"
    virtual std::string LockDir() const = 0;    // "/var/lock", where UUCP-style LCK..name files live
    virtual UserIdentity User() const = 0;
};

// The running system. The user is asked at every call: a process that changed its
// identity sees the new one.
class HostSystemView : public SystemView {
  public:
    std::string SysRoot() const override { return "/sys"; }
    std::string ProcRoot() const override { return "/proc"; }
    std::string GroupFile() const override { return "/etc/group"; }
    std::string DevRoot() const override { return "/dev"; }
    std::string LockDir() const override { return "/var/lock"; }
    UserIdentity User() const override;
};

const SystemView& HostSystem();

// Everything given. Starts as a copy of the host's paths and user, so a test changes only
// what it is about.
class FixedSystemView : public SystemView {
  public:
    FixedSystemView();

    std::string SysRoot() const override { return sysRoot; }
    std::string ProcRoot() const override { return procRoot; }
    std::string GroupFile() const override { return groupFile; }
    std::string DevRoot() const override { return devRoot; }
    std::string LockDir() const override { return lockDir; }
    UserIdentity User() const override { return user; }

    std::string sysRoot;
    std::string procRoot;
    std::string groupFile;
    std::string devRoot;
    std::string lockDir;
    UserIdentity user;
};

#endif

}  // namespace zort
