#include "history/SessionLog.h"

#include <string>

#include "files/Utf8Path.h"
#include "history/BackupStore.h"
#include "history/LogAppend.h"
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

bool SessionLog::Append(const SessionEntry& entry) const {
    if (file.empty() || PathTooLong(file)) return false;
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    return AppendToLog(file, SessionLine(entry) + "\n", limit, kLogsKept);
}

}  // namespace zort
