#pragma once
// The report of a fleet run: one CSV line per tracker, appended, so that the runs of a
// day add up in one file an office opens in a spreadsheet. The header is written once,
// when the file is new; a new file starts with a byte order mark, which tells a
// spreadsheet the text is UTF-8.

#include <filesystem>
#include <mutex>
#include <string>

#include "fleet/Provisioning.h"

namespace zort {

class ProvisionReport {
  public:
    // Opens (or creates) `file` (UTF-8) for appending; false, with the reason in `error`,
    // when it cannot be written. Checked before any tracker is touched.
    bool Open(const std::string& file, std::string& error);
    // One tracker's line, written through at once; from any thread. False when the line
    // could not be written.
    bool Append(const TrackerReport& report);
    bool IsOpen() const { return fd >= 0; }

    ProvisionReport() = default;
    ~ProvisionReport();
    ProvisionReport(const ProvisionReport&) = delete;
    ProvisionReport& operator=(const ProvisionReport&) = delete;

  private:
    std::mutex mutex;
    int fd = -1;
};

// The report's columns, in order.
std::string ReportHeader();
// One tracker as the report's line, with its line end.
std::string ReportRecord(const TrackerReport& report);

}  // namespace zort
