// The report of a fleet run: a file a spreadsheet opens, appended to run after run,
// wherever the user put it and whatever its name.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "files/Utf8Path.h"
#include "fleet/ProvisionReport.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

using ::testing::HasSubstr;

TrackerReport Tracker(const std::string& imei) {
    TrackerReport report;
    report.started = std::chrono::sys_days{std::chrono::December / 9 / 2026};
    report.port = "COM3";
    report.imei = imei;
    report.ok = true;
    report.message = "готово";
    report.backup = PathFromUtf8("C:\\Резервные копии\\" + imei + ".json");
    return report;
}

// Line ends as written, byte for byte: a report opened in text mode on Windows would
// get "\r\r\n".
TEST(ProvisionReport, RunsAddUpInOneFileNamedAsTheUserLikes) {
    const test::TempFolder folder("provision-report");
    const std::string file = folder.File("Отчёт за день.csv");
    for (const char* imei : {"861234050123456", "861234050123457"}) {
        ProvisionReport report;
        std::string error;
        ASSERT_TRUE(report.Open(file, error)) << error;
        ASSERT_TRUE(report.Append(Tracker(imei)));
    }
    EXPECT_EQ(folder.Read("Отчёт за день.csv"),
              "\xEF\xBB\xBF" + ReportHeader() +
                  "2026-12-09T00:00:00Z,COM3,861234050123456,,,,,ok,готово,0.0,"
                  "C:\\Резервные копии\\861234050123456.json\r\n"
                  "2026-12-09T00:00:00Z,COM3,861234050123457,,,,,ok,готово,0.0,"
                  "C:\\Резервные копии\\861234050123457.json\r\n");
}

TEST(ProvisionReport, AReportThatCannotBeWrittenIsRefusedNamingIt) {
    const test::TempFolder folder("provision-report");
    ProvisionReport report;
    std::string error;
    EXPECT_FALSE(report.Open(folder.File("нет такой папки/отчёт.csv"), error));
    EXPECT_THAT(error,
                HasSubstr("нет такой папки/отчёт.csv» не открывается для записи: папка не существует"));
    EXPECT_FALSE(report.IsOpen());
}

}  // namespace
}  // namespace zort
