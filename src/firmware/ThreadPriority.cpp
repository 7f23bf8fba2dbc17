#include "firmware/ThreadPriority.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zort {

std::string ThreadPriority::Describe() const {
    switch (kind) {
        case Kind::kRealtime:
            return "real-time priority " + std::to_string(value);
        case Kind::kNice:
            return "nice " + std::to_string(value);
        case Kind::kUnchanged:
            break;
    }
    return "normal priority";
}

int AllowedRealtimePriority(unsigned long long rtprioLimit, int top) {
    return static_cast<int>(std::min<unsigned long long>(rtprioLimit, static_cast<unsigned long long>(top)));
}

int LowestAllowedNice(unsigned long long niceLimit) {
    return 20 - static_cast<int>(std::min<unsigned long long>(niceLimit, 40));
}

#ifdef _WIN32

ThreadPriority RaiseThreadPriority() {
    ThreadPriority p;
    if (SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL)) {
        p.kind = ThreadPriority::Kind::kRealtime;
        p.value = THREAD_PRIORITY_TIME_CRITICAL;
    }
    return p;
}

#else

ThreadPriority RaiseThreadPriority() {
    ThreadPriority p;
    rlimit limit{};
    const int wanted = getrlimit(RLIMIT_RTPRIO, &limit) == 0
                           ? AllowedRealtimePriority(limit.rlim_cur, sched_get_priority_max(SCHED_FIFO))
                           : 0;
    if (wanted > 0) {
        sched_param param{};
        param.sched_priority = wanted;
        if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
            p.kind = ThreadPriority::Kind::kRealtime;
            p.value = wanted;
            return p;
        }
    }
    // PRIO_PROCESS with a thread id sets that thread's nice value alone on Linux.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, tid);
    if (errno != 0) return p;
    if (getrlimit(RLIMIT_NICE, &limit) != 0) return p;
    const int lowest = LowestAllowedNice(limit.rlim_cur);
    if (lowest < current && setpriority(PRIO_PROCESS, tid, lowest) == 0) {
        p.kind = ThreadPriority::Kind::kNice;
        p.value = lowest;
    }
    return p;
}

#endif

}  // namespace zort
