#include "history/RecentRead.h"

namespace zort {

bool StillHolds(const RecentRead& read, const std::string& port, std::chrono::steady_clock::time_point now,
                std::uint64_t operationsBegun) {
    return read.valid && read.port == port && read.operationsBegun == operationsBegun && now >= read.at &&
           now - read.at < kReadKeptFor;
}

}  // namespace zort
