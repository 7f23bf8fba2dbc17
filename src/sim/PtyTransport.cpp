#include "sim/PtyTransport.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zort::sim {
namespace {

constexpr auto kSpontaneousPeriod = std::chrono::milliseconds(50);
// A client that stops reading (or is not connected) is a line into the void: what the
// device sends then is lost, as on a real UART.
constexpr auto kStuckWriteLimit = std::chrono::milliseconds(200);

}  // namespace

PtyTransport::PtyTransport(TrackerSimulator& simulator, Options options)
    : simulator(simulator), options(options) {}

PtyTransport::~PtyTransport() {
    Stop();
}

bool PtyTransport::Start(std::string& error) {
    masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (masterFd < 0 || grantpt(masterFd) != 0 || unlockpt(masterFd) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        CloseFds();
        return false;
    }
    char name[128];
    if (ptsname_r(masterFd, name, sizeof name) != 0) {
        error = std::string("ptsname: ") + std::strerror(errno);
        CloseFds();
        return false;
    }
    slavePath = name;
    ownSlaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (ownSlaveFd < 0) {
        error = std::string("open ") + name + ": " + std::strerror(errno);
        CloseFds();
        return false;
    }
    // Raw from the start: nothing a client writes before configuring the line may be
    // echoed back to it.
    termios tio{};
    tcgetattr(ownSlaveFd, &tio);
    cfmakeraw(&tio);
    tcsetattr(ownSlaveFd, TCSANOW, &tio);
    fcntl(masterFd, F_SETFL, fcntl(masterFd, F_GETFL) | O_NONBLOCK);
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        error = std::string("eventfd: ") + std::strerror(errno);
        CloseFds();
        return false;
    }
    thread = std::thread(&PtyTransport::Loop, this);
    pthread_setname_np(thread.native_handle(), kThreadName);
    return true;
}

void PtyTransport::Stop() {
    {
        std::lock_guard lock(mutex);
        stopRequested = true;
    }
    if (wakeFd >= 0) {
        const uint64_t one = 1;
        (void)!::write(wakeFd, &one, sizeof one);
    }
    if (thread.joinable()) thread.join();
    CloseFds();
}

void PtyTransport::CloseFds() {
    for (int* fd : {&ownSlaveFd, &masterFd, &wakeFd}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void PtyTransport::Inject(const std::vector<uint8_t>& bytes) {
    Schedule(bytes, Clock::now(), false);
}

void PtyTransport::CloseLine() {
    {
        std::lock_guard lock(mutex);
        closeRequested = true;
    }
    const uint64_t one = 1;
    if (wakeFd >= 0) (void)!::write(wakeFd, &one, sizeof one);
}

bool PtyTransport::LineClosed() const {
    std::lock_guard lock(mutex);
    return closed;
}

bool PtyTransport::WaitClosed(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return stateCv.wait_for(lock, timeout, [&] { return closed; });
}

void PtyTransport::ReleaseHeld() {
    std::vector<std::vector<uint8_t>> held;
    {
        std::lock_guard lock(mutex);
        for (auto it = queue.begin(); it != queue.end();) {
            if (it->held) {
                held.push_back(std::move(it->bytes));
                it = queue.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& bytes : held) Schedule(std::move(bytes), Clock::now(), false);
}

bool PtyTransport::AllSentLocked() const {
    if (closed) return true;
    if (writing) return false;
    return std::all_of(queue.begin(), queue.end(), [](const Chunk& c) { return c.held; });
}

bool PtyTransport::WaitSent(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return stateCv.wait_for(lock, timeout, [&] { return AllSentLocked(); });
}

PtyTransport::Clock::duration PtyTransport::WireTime(size_t bytes) const {
    if (options.baud <= 0) return Clock::duration::zero();
    // 8N1: ten bit times a byte.
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(bytes) * 10.0 / options.baud));
}

void PtyTransport::Schedule(std::vector<uint8_t> bytes, Clock::time_point start, bool closeLine, bool held) {
    {
        std::lock_guard lock(mutex);
        if (held) {
            // Paced when released; until then it takes no time on the line.
            queue.push_back(Chunk{Clock::time_point::max(), std::move(bytes), false, true});
        } else if (options.baud <= 0) {
            queue.push_back(Chunk{start, std::move(bytes), closeLine});
        } else {
            // The line sends one byte after the other: a chunk is due when its last byte
            // would have arrived.
            Clock::time_point t = std::max(start, outputFreeAt);
            const size_t step = std::max<size_t>(1, static_cast<size_t>(options.baud) / 10 / 500);
            for (size_t i = 0; i < bytes.size(); i += step) {
                const size_t n = std::min(step, bytes.size() - i);
                t += WireTime(n);
                queue.push_back(Chunk{t,
                                      std::vector<uint8_t>(bytes.begin() + static_cast<long>(i),
                                                           bytes.begin() + static_cast<long>(i + n)),
                                      false});
            }
            if (closeLine) queue.push_back(Chunk{t, {}, true});
            outputFreeAt = t;
        }
        std::stable_sort(queue.begin(), queue.end(),
                         [](const Chunk& a, const Chunk& b) { return a.due < b.due; });
    }
    const uint64_t one = 1;
    if (wakeFd >= 0) (void)!::write(wakeFd, &one, sizeof one);
}

void PtyTransport::Receive(uint8_t* buffer, size_t size) {
    const ssize_t n = ::read(masterFd, buffer, size);
    if (n > 0) {
        const auto received = Clock::now();
        std::vector<PlannedReply> replies = simulator.OnBytes(buffer, static_cast<size_t>(n));
        for (PlannedReply& r : replies) {
            const auto start = received + WireTime(r.requestBytes) + std::chrono::milliseconds(r.delayMs);
            if (!r.bytes.empty() || r.closeLine) Schedule(std::move(r.bytes), start, r.closeLine, r.held);
        }
        if (!replies.empty() && framesHandled) framesHandled();
    }
}

bool PtyTransport::SendDue(Clock::time_point& stuckSince, bool& waitWritable) {
    waitWritable = false;
    for (;;) {
        Chunk chunk;
        {
            std::lock_guard lock(mutex);
            if (queue.empty() || queue.front().due > Clock::now()) return false;
            chunk = std::move(queue.front());
            queue.pop_front();
            writing = true;
        }
        if (chunk.closeLine) return true;
        const ssize_t n = ::write(masterFd, chunk.bytes.data(), chunk.bytes.size());
        const size_t written = n > 0 ? static_cast<size_t>(n) : 0;
        if (written < chunk.bytes.size()) {
            if (stuckSince == Clock::time_point{}) stuckSince = Clock::now();
            if (Clock::now() - stuckSince < kStuckWriteLimit) {
                chunk.bytes.erase(chunk.bytes.begin(), chunk.bytes.begin() + static_cast<long>(written));
                std::lock_guard lock(mutex);
                queue.push_front(std::move(chunk));
                writing = false;
                waitWritable = true;
                return false;
            }
        }
        stuckSince = Clock::time_point{};
        {
            std::lock_guard lock(mutex);
            writing = false;
        }
        stateCv.notify_all();
    }
}

void PtyTransport::Loop() {
    uint8_t buffer[4096];
    Clock::time_point nextSpontaneous = Clock::now() + kSpontaneousPeriod;
    Clock::time_point stuckSince{};
    bool waitWritable = false;
    for (;;) {
        Clock::time_point wakeAt = nextSpontaneous;
        bool close = false;
        {
            std::lock_guard lock(mutex);
            if (stopRequested) return;
            close = closeRequested;
            if (!queue.empty()) wakeAt = std::min(wakeAt, queue.front().due);
        }
        if (close) break;
        const auto now = Clock::now();
        int timeoutMs = 0;
        if (wakeAt > now) {
            timeoutMs = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - now).count() + 1);
        }
        if (waitWritable) timeoutMs = std::min(timeoutMs, 5);
        pollfd fds[2] = {{masterFd, static_cast<short>(POLLIN | (waitWritable ? POLLOUT : 0)), 0},
                         {wakeFd, POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) {
            uint64_t v;
            (void)!::read(wakeFd, &v, sizeof v);
        }
        if (fds[0].revents & POLLIN) Receive(buffer, sizeof buffer);
        if (Clock::now() >= nextSpontaneous) {
            std::vector<uint8_t> bytes = simulator.TakeSpontaneous();
            if (!bytes.empty()) Schedule(std::move(bytes), Clock::now(), false);
            nextSpontaneous = Clock::now() + kSpontaneousPeriod;
        }
        if (SendDue(stuckSince, waitWritable)) break;
    }
    // The line is gone: the client's next read sees a hang-up.
    {
        std::lock_guard lock(mutex);
        if (ownSlaveFd >= 0) ::close(ownSlaveFd);
        if (masterFd >= 0) ::close(masterFd);
        ownSlaveFd = masterFd = -1;
        closed = true;
        writing = false;
        queue.clear();
    }
    stateCv.notify_all();
}

}  // namespace zort::sim
