#pragma once
// The log of every operation on a tracker, one line each: when, on which port, which
// tracker, what, how it ended and how long it took. It is kept short: past kLogLimit
// bytes the file moves to "log.1" (and so on up to kLogsKept) before a line is added.
// Several programs may add lines at once; a line is never torn or lost in a rotation.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "worker/DeviceContext.h"

namespace zort {

inline constexpr std::uintmax_t kLogLimit = 1024 * 1024;
inline constexpr int kLogsKept = 5;  // "log.1" .. "log.5" besides "log"

struct SessionEntry {
    std::chrono::system_clock::time_point time;
    std::string port;
    std::string imei;       // empty when not known
    std::string operation;  // "чтение настроек", "запись настроек", ...
    std::string result;     // "успешно", or the message the user saw
    std::chrono::milliseconds duration{0};
};

// The log's line for an operation that ended; `imei` as far as known.
SessionEntry EntryOf(const OperationRecord& operation, std::string imei);

// "2026-12-09T10:15:03Z  /dev/ttyACM0  IMEI 861234567890123  запись настроек  успешно  4.1 с"
std::string SessionLine(const SessionEntry& entry);

// "<state home>/zort-configurator/log"; empty when there is no state home.
std::filesystem::path DefaultSessionLogFile();

// Every operation of `context` logged to `log` (and its line given to `shown`, when
// set, on the worker's thread). The IMEI is what the settings image holds then.
void LogOperations(DeviceContext& context, std::filesystem::path log,
                   std::function<void(const std::string& line)> shown = {});

class SessionLog {
  public:
    // `file` is "<state home>/zort-configurator/log"; its folder is made when missing.
    explicit SessionLog(std::filesystem::path file, std::uintmax_t limit = kLogLimit);

    // False when the line could not be written (the operation itself is not affected).
    bool Append(const SessionEntry& entry) const;

    const std::filesystem::path& File() const { return file; }

  private:
    std::filesystem::path file;
    std::uintmax_t limit;
};

}  // namespace zort
