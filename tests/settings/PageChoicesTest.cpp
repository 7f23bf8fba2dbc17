#include <gtest/gtest.h>

#include <algorithm>

#include "settings/PageChoices.h"

namespace zort {
namespace {

TEST(PageChoices, ListsHaveTheEntriesTheSlotsNeed) {
    EXPECT_EQ(TimeZoneChoices().size(), 27u);
    EXPECT_EQ(HourChoices().size(), 24u);
    EXPECT_EQ(MinuteChoices().size(), 60u);
    EXPECT_EQ(DeliveryModeChoices().size(), 5u);
    EXPECT_EQ(FixPeriodChoices().size(), 31u);
    EXPECT_EQ(SensorTimeoutChoices().size(), 95u);
    EXPECT_EQ(AmplitudeChoices().size(), 40u);
    EXPECT_EQ(DurationChoices().size(), 41u);
    EXPECT_EQ(GeofenceChoices().size(), 4u);

    const auto zones = TimeZoneChoices();
    EXPECT_EQ(zones[0], "UTC (-12:00)");
    EXPECT_EQ(zones[11], "UTC (-01:00)");
    EXPECT_EQ(zones[12], "UTC (00:00)");
    EXPECT_EQ(zones[14], "UTC (+02:00)");
    EXPECT_EQ(zones[15], "UTC (+03:00) (Москва  )");
    EXPECT_EQ(zones[26], "UTC (+14:00)");

    EXPECT_EQ(HourChoices()[7], "07");
    EXPECT_EQ(MinuteChoices()[59], "59");
    EXPECT_EQ(DeliveryModeChoices()[0], "Выключено");
    EXPECT_EQ(DeliveryModeChoices()[3], "SMS + Сервер (ZORT)");
    EXPECT_EQ(DeliveryModeChoices()[4], "");
    EXPECT_EQ(FixPeriodChoices()[0], "Каждый день");
    EXPECT_EQ(FixPeriodChoices()[30], "30");
    EXPECT_EQ(SensorTimeoutChoices()[0], "5");
    EXPECT_EQ(SensorTimeoutChoices()[94], "99");
    EXPECT_EQ(AmplitudeChoices()[0], "1 (Максимальная чувствительность)");
    EXPECT_EQ(AmplitudeChoices()[39], "40");
    EXPECT_EQ(GeofenceChoices()[0], "Контроль отключен");
    EXPECT_EQ(GeofenceChoices()[3], "Режим 3");

    const auto durations = DurationChoices();
    EXPECT_EQ(durations[0], "0    сек (Максимальная чувствительность)");
    EXPECT_EQ(durations[1], "0,1 сек");
    EXPECT_EQ(durations[5], "0,5 сек (Заводское значение)");
    EXPECT_EQ(durations[10], "1    сек");
    EXPECT_EQ(durations[39], "3,9 сек");
    EXPECT_EQ(durations[40], "4    сек (Минимальная чувствительность)");
}

TEST(PageChoices, ComboBoxesFindTheirListByObjectName) {
    auto same = [](ChoiceList a, ChoiceList b) { return std::equal(a.begin(), a.end(), b.begin(), b.end()); };
    for (const char* hour : {"ComboBox2", "ComboBox4", "ComboBox6", "ComboBox8", "ComboBox10"}) {
        EXPECT_TRUE(same(ComboBoxChoices(hour), HourChoices())) << hour;
    }
    for (const char* minute : {"ComboBox3", "ComboBox5", "ComboBox7", "ComboBox9", "ComboBox11"}) {
        EXPECT_TRUE(same(ComboBoxChoices(minute), MinuteChoices())) << minute;
    }
    EXPECT_TRUE(same(ComboBoxChoices("ComboBox1"), TimeZoneChoices()));
    EXPECT_TRUE(same(ComboBoxChoices("ComboBox13"), SensorTimeoutChoices()));
    EXPECT_TRUE(same(ComboBoxChoices("ComboBox14"), AmplitudeChoices()));
    EXPECT_TRUE(same(ComboBoxChoices("ComboBox15"), DurationChoices()));
    EXPECT_TRUE(same(ComboBoxChoices("ComboBox16"), FixPeriodChoices()));
    EXPECT_TRUE(same(ComboBoxChoices("ComboBox18"), GeofenceChoices()));
    EXPECT_TRUE(same(ComboBoxChoices("ComboBox19"), DeliveryModeChoices()));
    EXPECT_TRUE(ComboBoxChoices("ComboBox12").empty());  // the port chooser is not a setting
    EXPECT_TRUE(ComboBoxChoices("Edit1").empty());
}

}  // namespace
}  // namespace zort
