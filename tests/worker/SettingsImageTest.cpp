#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "worker/SettingsImage.h"

namespace zort {
namespace {

TEST(ParameterSlot, TextFitsUpToThirtyOneCharactersAndReplacesTheWholeSlot) {
    SettingsImage image;
    EXPECT_EQ(image.Bytes(), (std::array<std::uint8_t, kImageSize>{}));

    const std::string longest(31, 'x');
    ASSERT_TRUE(image.SetText(5, longest));
    EXPECT_EQ(image.Text(5), longest);
    EXPECT_EQ(image.Slot(5).bytes[31], 0);

    // Refused texts leave the slot as it was.
    EXPECT_FALSE(image.SetText(5, std::string(32, 'y')));
    EXPECT_FALSE(image.SetText(5, std::string("a\0b", 3)));
    EXPECT_EQ(image.Text(5), longest);

    // A shorter text leaves no tail of the longer one behind.
    ASSERT_TRUE(image.SetText(5, "ab"));
    EXPECT_EQ(image.Text(5), "ab");
    for (std::size_t i = 2; i < kSlotSize; ++i) EXPECT_EQ(image.Slot(5).bytes[i], 0) << i;

    // Neighbours are never touched.
    EXPECT_EQ(image.Text(4), "");
    EXPECT_EQ(image.Text(6), "");
}

TEST(ParameterSlot, CopyReplyStopsAtTheFirstZeroAndNeverLeavesTheSlot) {
    SettingsImage image;
    ASSERT_TRUE(image.SetText(3, "ABCDEFGH"));
    const std::vector<std::uint8_t> shortReply = {'1', '2', 0, 'Z', 'Z'};
    image.Slot(3).CopyReply(shortReply);
    EXPECT_EQ(image.Text(3), "12");
    // Bytes after the zero keep what they held.
    EXPECT_EQ(image.Slot(3).bytes[3], 'D');
    EXPECT_EQ(image.Slot(3).bytes[4], 'E');

    std::vector<std::uint8_t> fullReply(40, 'q');
    image.Slot(3).CopyReply(fullReply);
    EXPECT_EQ(image.Text(3), std::string(32, 'q'));  // no NUL: all 32 bytes are the text
    EXPECT_EQ(image.Text(4), "");
}

TEST(SettingsImage, MarkerAndResetTouchOnlyTheirBytes) {
    SettingsImage image;
    for (int s = 0; s < kSlotCount; ++s) image.Slot(s).bytes.fill('#');

    image.Slot(28).SetMarker();
    EXPECT_EQ(image.Slot(28).bytes[0], '1');
    EXPECT_EQ(image.Slot(28).bytes[1], 0);
    EXPECT_EQ(image.Slot(28).bytes[2], '#');
    EXPECT_EQ(image.Text(28), "1");

    image.Reset();
    const auto bytes = image.Bytes();
    for (std::size_t i = 0; i < kResetLength; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
    for (std::size_t i = kResetLength; i < kImageSize; ++i) EXPECT_EQ(bytes[i], '#') << "byte " << i;
    EXPECT_EQ(image.Text(29), "");
}

TEST(DecimalToInt, ReadsLeadingDigitsOnly) {
    struct Case {
        const char* text;
        bool allowMinus;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"", false, 0},      {"abc", false, 0},   {"23351", false, 23351}, {"0123", false, 123},
        {"12ab", false, 12}, {"-5", false, 0},    {"-5", true, -5},        {"-12", true, -12},
        {"-", true, 0},      {"2 001", false, 2}, {" 5", false, 0},        {"00000", false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecimalToInt(c.text, c.allowMinus), c.expected) << '"' << c.text << '"';
    }
    // An absurd run of digits does not overflow into a negative or a small number.
    EXPECT_GT(DecimalToInt(std::string(40, '9')), 65535);
}

}  // namespace
}  // namespace zort
