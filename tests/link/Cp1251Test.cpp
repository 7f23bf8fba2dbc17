#include <gtest/gtest.h>

#include "link/Cp1251.h"

namespace zort {
namespace {

TEST(Cp1251, EveryDefinedByteSurvivesTheRoundTrip) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98) continue;  // undefined in the code page
        const std::string one(1, static_cast<char>(b));
        bool lossless = false;
        EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(one), &lossless), one) << "byte " << b;
        EXPECT_TRUE(lossless) << "byte " << b;
    }
}

TEST(Cp1251, RussianTextAndSymbols) {
    EXPECT_EQ(Utf8ToCp1251("Ёж №5 ё"),
              "\xA8\xE6 \xB9"
              "5 \xB8");
    EXPECT_EQ(Cp1251ToUtf8("\xCA\xEE\xED\xF4\xE8\xE3\xF3\xF0\xE0\xF2\xEE\xF0"), "Конфигуратор");
    EXPECT_EQ(Utf8Length("Конфигуратор"), 12u);
}

TEST(Cp1251, CharactersOutsideTheCodePageAreMarked) {
    bool lossless = true;
    EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\xAD"
                           "b",
                           &lossless),
              "a?b");  // a CJK character
    EXPECT_FALSE(lossless);
    // Broken UTF-8: a lone continuation byte, a truncated sequence at the end.
    EXPECT_EQ(Utf8ToCp1251("x\x80y\xD0", &lossless), "x?y?");
    EXPECT_FALSE(lossless);
}

}  // namespace
}  // namespace zort
