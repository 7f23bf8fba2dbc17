// POSIX termios backend of SerialDevice (Linux: USB CDC-ACM, USB serial adapters,
// pseudo-terminals of the simulator).

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/SerialDevice.h"

namespace zort {
namespace {

OpenFailure ClassifyOpenErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return OpenFailure::kNoDevice;
        case EACCES:
        case EPERM:
            return OpenFailure::kPermissionDenied;
        case EBUSY:
        case EWOULDBLOCK:
            return OpenFailure::kBusy;
        default:
            return OpenFailure::kSetupFailed;
    }
}

std::string OwningGroup(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    if (const group* g = getgrgid(st.st_gid)) return g->gr_name;
    return {};
}

bool ApplyLineSettings(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    // Reads are driven by poll(); a read never waits.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, B9600) != 0 || cfsetospeed(&tio, B9600) != 0) return false;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// poll() reports a hang-up or an error whatever events were asked for.
bool HungUp(int fd) {
    pollfd p{fd, 0, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

SerialDevice::~SerialDevice() {
    Close();
}

bool SerialDevice::Open(const std::string& name, OpenError& error) {
    Close();
    error = OpenError{};
    error.port = name;
    auto fail = [&](OpenFailure reason, int err) {
        error.reason = reason;
        error.osError = err;
        if (reason == OpenFailure::kPermissionDenied) error.accessGroup = OwningGroup(name);
        Close();
        return false;
    };

    fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return fail(ClassifyOpenErrno(err), err);
    }
    if (!isatty(fd)) return fail(OpenFailure::kNotSerial, ENOTTY);
    // Two locks: flock keeps out cooperating programs (and is honoured for root);
    // TIOCEXCL makes the kernel refuse any further open() of the tty.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(OpenFailure::kBusy, errno);
    if (ioctl(fd, TIOCEXCL) != 0) return fail(OpenFailure::kSetupFailed, errno);
    if (!ApplyLineSettings(fd)) return fail(OpenFailure::kSetupFailed, errno);
    // The tracker must not see DTR/RTS asserted. Pseudo-terminals have no modem lines
    // and refuse this ioctl, which is harmless.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIC, &lines);
    tcflush(fd, TCIFLUSH);

    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) return fail(OpenFailure::kSetupFailed, errno);
    return true;
}

void SerialDevice::Close() {
    if (fd >= 0) {
        // The exclusive flag belongs to the tty, not to this descriptor: it would outlive
        // us wherever another descriptor keeps the tty open (the simulator does).
        (void)ioctl(fd, TIOCNXCL);
        ::close(fd);  // also releases the flock
        fd = -1;
    }
    if (wakeFd >= 0) {
        ::close(wakeFd);
        wakeFd = -1;
    }
}

SerialDevice::Event SerialDevice::WaitReadable() {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        const int rc = poll(fds, 2, -1);
        if (rc < 0) {
            if (errno == EINTR) continue;
            return Event::kLost;
        }
        if (fds[1].revents != 0) return Event::kWoken;
        if (fds[0].revents & POLLIN) return Event::kReadable;  // drain before a hang-up
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return Event::kLost;
    }
}

void SerialDevice::Wake() {
    if (wakeFd < 0) return;
    const uint64_t one = 1;
    (void)!::write(wakeFd, &one, sizeof one);
}

long SerialDevice::ReadAvailable(uint8_t* out, size_t capacity) {
    for (;;) {
        const ssize_t n = ::read(fd, out, capacity);
        if (n > 0) return static_cast<long>(n);
        // With VMIN = VTIME = 0 a read of 0 after poll() said "readable" is either end of
        // file (the device or the other end of the pseudo-terminal went away) or bytes
        // that a send's PurgeInput discarded between that poll and this read. Only a
        // hang-up ends the line; stray bytes just before a request must not.
        if (n == 0) return capacity == 0 || !HungUp(fd) ? 0 : -1;
        if (errno == EINTR) continue;
        if (errno == EAGAIN) return 0;
        return -1;  // EIO after a hang-up, ENODEV after an unplug
    }
}

bool SerialDevice::WriteAll(const uint8_t* data, size_t length) {
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, data + done, length - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;
        pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return false;
        if (fds[1].revents != 0) return false;
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return false;
    }
    return true;
}

void SerialDevice::PurgeInput() {
    if (fd >= 0) tcflush(fd, TCIFLUSH);
}

}  // namespace zort
