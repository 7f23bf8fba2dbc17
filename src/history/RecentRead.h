#pragma once
// The tracker's settings as the last full read found them. A write moments later lists
// its changes and takes its backup from them instead of reading all thirty settings
// again: the tracker on the port is asked only for its IMEI, and a different one (a
// tracker swapped behind an adapter) gets the full read after all.

#include <chrono>
#include <cstdint>
#include <string>

#include "worker/SettingsImage.h"

namespace zort {

// How long a read stands in for the tracker's settings.
inline constexpr std::chrono::seconds kReadKeptFor{60};

struct RecentRead {
    std::string port;
    SettingsImage image;
    std::chrono::steady_clock::time_point at;  // when it ended
    std::chrono::system_clock::time_point wallTime;
    // The channel's count of operations begun when it ended: any operation after it
    // (a write, an update, a service command) may have changed the tracker.
    std::uint64_t operationsBegun = 0;
    bool valid = false;
};

// Whether `read` still tells what the tracker on `port` holds at `now`, when
// `operationsBegun` operations have begun on the channel.
bool StillHolds(const RecentRead& read, const std::string& port, std::chrono::steady_clock::time_point now,
                std::uint64_t operationsBegun);

}  // namespace zort
