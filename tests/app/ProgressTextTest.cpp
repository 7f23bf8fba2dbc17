// What the progress displays say, without a display.

#include <gtest/gtest.h>

#include "app/ProgressText.h"

namespace zort {
namespace {

TEST(ProgressText, SettingsStepCountsTheItemsDone) {
    EXPECT_EQ(SettingsStepText(QStringLiteral("Чтение настроек..."), 30, 16),
              QStringLiteral("Чтение настроек: 17 из 30"));
    EXPECT_EQ(SettingsStepText(QStringLiteral("Запись настроек..."), 25, 0),
              QStringLiteral("Запись настроек: 1 из 25"));
    EXPECT_EQ(SettingsStepText(QStringLiteral("Запись настроек..."), 25, 24),
              QStringLiteral("Запись настроек: 25 из 25"));
    EXPECT_EQ(CaptionTitle(QStringLiteral("Чтение настроек…")), QStringLiteral("Чтение настроек"));
}

TEST(ProgressText, FirmwareShowsPercentBytesAndTimeLeftOnceARateIsKnown) {
    struct Case {
        int64_t done, total, elapsedMs;
        const char* expected;
    };
    const Case cases[] = {
        {0, 3000, 0, "0 %, 0 из 3 000 байт"},
        {1536, 3000, 0, "51 %, 1 536 из 3 000 байт"},
        // 1 000 bytes in 4 s: the other 2 000 take 8 s more.
        {1000, 3000, 4000, "33 %, 1 000 из 3 000 байт, осталось 0:08"},
        {512, 120512, 1000, "0 %, 512 из 120 512 байт, осталось 3:55"},
        {3000, 3000, 9000, "100 %, 3 000 из 3 000 байт"},
        {4000, 3000, 9000, "100 %, 3 000 из 3 000 байт"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FirmwareProgressText(c.done, c.total, c.elapsedMs).toStdString(), c.expected)
            << c.done << "/" << c.total;
    }
    EXPECT_TRUE(FirmwareProgressText(0, 0, 10).isEmpty());
}

}  // namespace
}  // namespace zort
