#include "fleet/ProvisionReport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include <io.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/FileErrorText.h"
#include "files/Utf8Path.h"
#include "history/BackupStore.h"

namespace zort {
namespace {

// A field as a spreadsheet reads it back: quoted when it holds a separator, a quote or
// a line break, quotes doubled.
std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Lines go to the end whoever else appends; the descriptor is not inherited by the
// programs this one starts.
int OpenForAppending(const std::string& file) {
#ifdef _WIN32
    const std::filesystem::path path = PathFromUtf8(file);
    if (PathTooLong(path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    // Binary, or the C runtime would write every "\n" as "\r\n".
    return ::_wopen(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
#else
    return ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
#endif
}

}  // namespace

std::string ReportHeader() {
    return "time,port,imei,identity,version_before,version_after,changes,result,message,duration_s,"
           "backup\r\n";
}

std::string ReportRecord(const TrackerReport& report) {
    std::string changes;
    for (const SettingChange& change : report.changes)
        changes += (changes.empty() ? "" : "; ") + ChangeLine(change);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(report.duration.count()) / 1000.0);
    const std::string fields[] = {IsoUtcTime(report.started),
                                  report.port,
                                  report.imei,
                                  report.identity,
                                  report.versionBefore,
                                  report.versionAfter,
                                  changes,
                                  report.ok ? "ok" : "failed",
                                  report.message,
                                  seconds,
                                  Utf8FromPath(report.backup)};
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : ",") + Field(field);
    return line + "\r\n";
}

bool ProvisionReport::Open(const std::string& file, std::string& error) {
    const int opened = OpenForAppending(file);
    if (opened < 0) {
        error = "Файл отчёта «" + file + "» не открывается для записи: " +
                FileErrorText(std::error_code(errno, std::generic_category()));
        return false;
    }
    struct stat info {};
    if (::fstat(opened, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(opened);
        error = "Файл отчёта «" + file + "» не обычный файл";
        return false;
    }
    // A new report starts with its header; an old one goes on where it ended.
    if (info.st_size == 0 && !WriteAll(opened, "\xEF\xBB\xBF" + ReportHeader())) {
        error = "Файл отчёта «" + file +
                "» не записывается: " + FileErrorText(std::error_code(errno, std::generic_category()));
        ::close(opened);
        return false;
    }
    fd = opened;
    return true;
}

bool ProvisionReport::Append(const TrackerReport& report) {
    std::lock_guard lock(mutex);
    return fd >= 0 && WriteAll(fd, ReportRecord(report));
}

ProvisionReport::~ProvisionReport() {
    if (fd >= 0) ::close(fd);
}

}  // namespace zort
