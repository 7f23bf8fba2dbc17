// The image shown on the settings pages: which entry each value selects, what the pages
// cannot show, and the texts and device information as they stand.

#include <gtest/gtest.h>

#include <string>

#include "link/Cp1251.h"
#include "settings/PageChoices.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsDefaults.h"

namespace zort {
namespace {

class ImageToControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pages.Edit1 = "+7000";
        RestoreDefaults(image, pages);
        shown = pages;
    }
    SettingsImage image;
    SettingsPages pages;
    SettingsPages shown;
};

TEST_F(ImageToControlsTest, FactoryImageSelectsTheFactoryEntries) {
    EXPECT_EQ(pages.Edit2, kFactoryPin);
    EXPECT_EQ(TimeZoneChoices()[static_cast<std::size_t>(pages.ComboBox1)], "UTC (+03:00) (Москва  )");
    EXPECT_EQ(pages.ComboBox2, 12);
    EXPECT_EQ(pages.ComboBox3, 0);
    EXPECT_TRUE(pages.RadioButton13);
    EXPECT_EQ(pages.ComboBox19, 3);
    EXPECT_EQ(pages.Edit7, kDefaultServerHost);
    EXPECT_EQ(pages.Edit8, "23351");
    EXPECT_FALSE(pages.CheckBox3);
    EXPECT_TRUE(pages.RadioButton3);
    EXPECT_EQ(pages.ComboBox16, 0);
    EXPECT_TRUE(pages.RadioButton8);
    EXPECT_EQ(pages.ComboBox13, 0);
    EXPECT_TRUE(pages.CheckBox2);
    EXPECT_EQ(pages.ComboBox14, 19);
    EXPECT_EQ(DurationChoices()[static_cast<std::size_t>(pages.ComboBox15)],
              "0    сек (Максимальная чувствительность)");
    EXPECT_EQ(pages.ComboBox18, 0);
    EXPECT_EQ(pages.Edit6, "1");
    EXPECT_EQ(pages.Edit3, "50");
    EXPECT_TRUE(pages.RadioButton6);
    EXPECT_FALSE(pages.RadioButton7);
    EXPECT_EQ(pages.Edit4, "");
    EXPECT_FALSE(pages.Edit4Enabled);
}

TEST_F(ImageToControlsTest, NotSetOwnerAndPinKeepTheTypedTexts) {
    pages.Edit1 = "+7111";
    pages.Edit2 = "9876";
    ASSERT_TRUE(image.SetText(0, "00000"));
    ASSERT_TRUE(image.SetText(1, "00000"));
    EXPECT_TRUE(ImageToControls(image, pages).empty());
    EXPECT_EQ(pages.Edit1, "+7111");
    EXPECT_EQ(pages.Edit2, "9876");
}

TEST_F(ImageToControlsTest, TimeZonesAndTimeFields) {
    const std::pair<const char*, std::string> zones[] = {{"-12", "UTC (-12:00)"},
                                                         {"3", "UTC (+03:00) (Москва  )"},
                                                         {"14", "UTC (+14:00)"},
                                                         {"0", "UTC (00:00)"}};
    for (const auto& [slot, entry] : zones) {
        ASSERT_TRUE(image.SetText(2, slot));
        ImageToControls(image, pages);
        EXPECT_EQ(TimeZoneChoices()[static_cast<std::size_t>(pages.ComboBox1)], entry) << slot;
    }
    // A short interval text reads the missing fields as zero.
    ASSERT_TRUE(image.SetText(16, "2315"));
    ImageToControls(image, pages);
    EXPECT_EQ(pages.ComboBox4, 23);
    EXPECT_EQ(pages.ComboBox5, 15);
    EXPECT_EQ(pages.ComboBox6, 0);
    EXPECT_EQ(pages.ComboBox11, 0);

    ASSERT_TRUE(image.SetText(17, "60"));
    ImageToControls(image, pages);
    EXPECT_EQ(SensorTimeoutChoices()[static_cast<std::size_t>(pages.ComboBox13)], "60");
}

TEST_F(ImageToControlsTest, ValuesThePagesCannotShowLeaveTheirControlsAndAreReported) {
    const std::pair<int, const char*> odd[] = {
        {2, "15"}, {3, "2460"}, {4, "7"},   {5, "9"},
        {12, "0"}, {13, "31"},  {15, "4"},  {16, "9999999999999999"},
        {17, "4"}, {19, "0"},   {20, "41"}, {21, "7"},
    };
    for (const auto& [slot, text] : odd) ASSERT_TRUE(image.SetText(slot, text));
    EXPECT_EQ(ImageToControls(image, pages), (std::vector<int>{2, 3, 4, 5, 12, 13, 15, 16, 17, 19, 20, 21}));

    // Everything the pages showed before is still shown, including the radio groups.
    shown.Edit6 = pages.Edit6;  // "7" has no diameter, so Edit6 is also kept
    EXPECT_EQ(pages, shown);
}

TEST_F(ImageToControlsTest, RadioGroupsStayExclusive) {
    pages.RadioButton1 = pages.RadioButton2 = pages.RadioButton12 = pages.RadioButton13 = true;
    ASSERT_TRUE(image.SetText(4, "1"));
    ASSERT_TRUE(image.SetText(12, "2"));
    ASSERT_TRUE(image.SetText(15, "3"));
    ImageToControls(image, pages);
    EXPECT_EQ(
        (std::vector<bool>{pages.RadioButton1, pages.RadioButton2, pages.RadioButton12, pages.RadioButton13}),
        (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ((std::vector<bool>{pages.RadioButton3, pages.RadioButton4, pages.RadioButton5}),
              (std::vector<bool>{false, true, false}));
    EXPECT_EQ(
        (std::vector<bool>{pages.RadioButton8, pages.RadioButton9, pages.RadioButton10, pages.RadioButton11}),
        (std::vector<bool>{false, false, false, true}));
}

TEST_F(ImageToControlsTest, TextSlotsAndDeviceInformation) {
    ASSERT_TRUE(image.SetText(8, "1 "));  // only exactly "1" is on
    ASSERT_TRUE(image.SetText(18, "2"));  // only the value 1 is on
    ASSERT_TRUE(image.SetText(21, "2 025"));
    ASSERT_TRUE(image.SetText(22, "0070"));
    ASSERT_TRUE(image.SetText(23, Utf8ToCp1251("*баланс#")));
    ASSERT_TRUE(image.SetText(24, "356938035643809"));
    ASSERT_TRUE(image.SetText(25, Utf8ToCp1251("ПО 1.7")));
    ASSERT_TRUE(image.SetText(26, "BL 2"));
    ASSERT_TRUE(image.SetText(29, "Z410"));
    EXPECT_TRUE(ImageToControls(image, pages).empty());
    EXPECT_FALSE(pages.CheckBox3);
    EXPECT_FALSE(pages.CheckBox2);
    EXPECT_EQ(pages.ComboBox18, 2);
    EXPECT_EQ(pages.Edit6, "25");
    EXPECT_EQ(pages.Edit3, "70");
    EXPECT_TRUE(pages.RadioButton7);
    EXPECT_EQ(pages.Edit4, "*баланс#");
    EXPECT_TRUE(pages.Edit4Enabled);
    EXPECT_EQ(pages.Edit11, "356938035643809");
    EXPECT_EQ(pages.Label17, "ПО 1.7");
    EXPECT_EQ(pages.Label18, "BL 2");
    EXPECT_EQ(pages.Edit12, "Z410");
}

}  // namespace
}  // namespace zort
