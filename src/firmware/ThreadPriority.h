#pragma once
// Raising the calling thread's scheduling priority as far as the system lets an
// unprivileged program go. The receiver update exchanges over a thousand small frames,
// each answered within milliseconds; a starved worker turns into time-outs.

#include <string>

namespace zort {

struct ThreadPriority {
    enum class Kind {
        kUnchanged,  // nothing was granted; the thread runs as it did
        kRealtime,   // a real-time class (Linux SCHED_FIFO, Windows time-critical)
        kNice,       // a lower nice value than before
    };
    Kind kind = Kind::kUnchanged;
    int value = 0;  // the real-time priority or the nice value obtained

    std::string Describe() const;
};

// The limits' arithmetic, kept apart so it can be checked on any machine. The real-time
// priority RLIMIT_RTPRIO allows (0: none), capped at the policy's `top`:
int AllowedRealtimePriority(unsigned long long rtprioLimit, int top);
// The lowest nice value RLIMIT_NICE allows: 20 - limit, a limit beyond 40 counting as 40.
int LowestAllowedNice(unsigned long long niceLimit);

// Never fails: what cannot be had is simply not taken. On Linux: SCHED_FIFO at the
// highest priority RLIMIT_RTPRIO allows, else the lowest nice value RLIMIT_NICE allows
// (for this thread only), else nothing. Privileges beyond the limits are not used, so
// the result is the same for root and for a user with the same limits. On Windows: the
// time-critical level within the process's priority class, which any program may take
// for its own threads.
ThreadPriority RaiseThreadPriority();

}  // namespace zort
