#include "history/SessionLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "history/BackupStore.h"
#include "history/UserFolders.h"
#include "settings/SettingTable.h"
#include "worker/WorkerSink.h"

namespace zort {
namespace {

// Tenths of a second, rounded half up, with the decimal comma Russian writes.
std::string Seconds(std::chrono::milliseconds duration) {
    const long long tenths = (duration.count() + 50) / 100;
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " с";
}

// Fields are separated by two blanks; a field's own line breaks would split the line.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    return text;
}

}  // namespace

std::string SessionLine(const SessionEntry& e) {
    std::string line = IsoUtcTime(e.time) + "  " + OneLine(e.port.empty() ? "-" : e.port);
    line += "  " + (e.imei.empty() ? std::string("IMEI ?") : "IMEI " + OneLine(e.imei));
    line += "  " + OneLine(e.operation) + "  " + OneLine(e.result) + "  " + Seconds(e.duration);
    return line;
}

SessionEntry EntryOf(const OperationRecord& operation, std::string imei) {
    SessionEntry entry;
    entry.time = operation.started;
    entry.duration = operation.duration;
    entry.port = operation.port;
    if (imei != kNotSetText) entry.imei = std::move(imei);
    constexpr std::string_view kOngoing = "идёт ";
    entry.operation = operation.activity.starts_with(kOngoing) ? operation.activity.substr(kOngoing.size())
                                                               : operation.activity;
    // A read that succeeds says nothing; every other end has its message.
    entry.result = operation.message.empty() ? "успешно" : operation.message;
    return entry;
}

std::filesystem::path DefaultSessionLogFile() {
    const std::filesystem::path state = ProgramStateFolder();
    return state.empty() ? std::filesystem::path() : state / "log";
}

void LogOperations(DeviceContext& context, std::filesystem::path log,
                   std::function<void(const std::string& line)> shown) {
    context.operationEnded = [&context, log = SessionLog(std::move(log)),
                              shown = std::move(shown)](const OperationRecord& operation) {
        std::string imei;
        if (operation.image == &context.image) {
            std::lock_guard lock(context.imageMutex);
            imei = context.image.Utf8Text(slot::kImei);
        } else if (operation.image != nullptr) {
            // A scratch image is the operation's own, and the operation is this thread.
            imei = operation.image->Utf8Text(slot::kImei);
        } else {
            std::lock_guard lock(context.imageMutex);
            imei = context.image.Utf8Text(slot::kImei);
        }
        const SessionEntry entry = EntryOf(operation, std::move(imei));
        log.Append(entry);
        if (shown) shown(SessionLine(entry));
    };
}

SessionLog::SessionLog(std::filesystem::path file, std::uintmax_t limit)
    : file(std::move(file)), limit(limit) {}

// Called with the lock held. The lock is on "log" itself, so a program that opened the
// old file before the rename re-checks, after taking the lock, that it still has "log".
void SessionLog::RotateIfFull(int fd) const {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<std::uintmax_t>(st.st_size) < limit) return;
    const std::string base = file.string();
    std::remove((base + "." + std::to_string(kLogsKept)).c_str());
    for (int k = kLogsKept - 1; k >= 1; --k) {
        std::rename((base + "." + std::to_string(k)).c_str(), (base + "." + std::to_string(k + 1)).c_str());
    }
    std::rename(base.c_str(), (base + ".1").c_str());
}

bool SessionLog::Append(const SessionEntry& entry) const {
    if (file.empty()) return false;
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    const std::string line = SessionLine(entry) + "\n";
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        if (::flock(fd, LOCK_EX) != 0) {
            ::close(fd);
            return false;
        }
        // Another program may have rotated the file between our open and our lock.
        struct stat opened {
        }, named{};
        if (::fstat(fd, &opened) != 0 || ::stat(file.c_str(), &named) != 0 || opened.st_ino != named.st_ino) {
            ::close(fd);
            continue;
        }
        RotateIfFull(fd);
        struct stat now {};
        if (::stat(file.c_str(), &now) != 0 || now.st_ino != opened.st_ino) {
            // Rotated just now: the line goes into the new file.
            ::close(fd);
            continue;
        }
        const ssize_t written = ::write(fd, line.data(), line.size());
        ::close(fd);
        return written == static_cast<ssize_t>(line.size());
    }
    return false;
}

}  // namespace zort
