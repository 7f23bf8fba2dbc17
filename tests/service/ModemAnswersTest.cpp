// Reading the modem's answers: text up to a zero byte, never past the buffer, and the
// three parsers the service commands depend on.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "service/ModemAnswers.h"
#include "service/ShowNMEAThread.h"

namespace zort {
namespace {

std::string_view Text(const std::string& bytes) {
    return AnswerText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(ModemAnswers, TextEndsAtTheFirstZeroOrAtTheBufferEnd) {
    EXPECT_EQ(Text(std::string("\r\nOK\r\n\0junk", 11)), "\r\nOK\r\n");
    // No terminator anywhere: exactly the buffer, not a byte more.
    std::vector<uint8_t> full(4096, 'A');
    EXPECT_EQ(AnswerText(full.data(), full.size()).size(), 4096u);
    EXPECT_EQ(AnswerText(full.data(), 10).size(), 10u);
    EXPECT_EQ(AnswerText(nullptr, 0), "");
}

TEST(ModemAnswers, FreeMemoryIsReadOnlyFromAWholeAnswer) {
    EXPECT_EQ(ParseFreeMemory("\r\n+FSMEM: C:123456bytes\r\n\r\nOK\r\n"), 123456);
    EXPECT_EQ(ParseFreeMemory("AT+FSMEM\r\n\r\n+FSMEM: C:0bytes\r\n"), 0) << "after an echo";
    EXPECT_EQ(ParseFreeMemory("\r\n+FSMEM: C: 77bytes\r\n"), 77);
    EXPECT_FALSE(ParseFreeMemory("+FSMEM: C:123456bytes")) << "no line end: not yet an answer";
    EXPECT_FALSE(ParseFreeMemory("\r\nERROR\r\n"));
    EXPECT_FALSE(ParseFreeMemory("\r\n+FSMEM: D:100bytes\r\n"));
    EXPECT_FALSE(ParseFreeMemory("\r\n+FSMEM: C:bytes\r\n"));
    EXPECT_FALSE(ParseFreeMemory("\r\n+FSMEM: C:-5bytes\r\n"));
    EXPECT_FALSE(ParseFreeMemory("\r\n+FSMEM: C:12")) << "a number cut by the end of what arrived";
    EXPECT_EQ(ParseFreeMemory("\r\n+FSMEM: C:104\r\n+FSMEM: C:1048276bytes\r\n\r\nOK\r\n"), 1048276)
        << "a cut answer to an earlier query in front of the whole one";
    EXPECT_FALSE(ParseFreeMemory("\r\n+FSMEM: C:99999999999999999999bytes\r\n")) << "overflow";
}

TEST(ModemAnswers, ImeiIsFifteenDigitsFromTheFirstDigit) {
    EXPECT_EQ(ParseImei("\r\n861234050123456\r\n\r\nOK\r\n"), "861234050123456");
    EXPECT_EQ(ParseImei("AT+GSN\r\r\n861234050123456\r\n"), "861234050123456") << "after an echo";
    EXPECT_EQ(ParseImei("861234050123456"), "861234050123456");
    EXPECT_FALSE(ParseImei("\r\n86123405012345\r\nOK\r\n")) << "14 digits";
    EXPECT_FALSE(ParseImei("\r\n8612340501234567\r\nOK\r\n")) << "16 digits is not an IMEI";
    EXPECT_FALSE(ParseImei("\r\n8612340 50123456\r\n"));
    EXPECT_FALSE(ParseImei("\r\nERROR\r\n"));
    EXPECT_FALSE(ParseImei(""));
}

TEST(ModemAnswers, PromptsAndFinalResults) {
    EXPECT_TRUE(HasPrompt("\r\n> "));
    EXPECT_FALSE(HasPrompt("\r\nOK\r\n"));
    EXPECT_TRUE(HasFinalResult("\r\nOK\r\n"));
    EXPECT_TRUE(HasFinalResult("\r\n+CME ERROR: 3\r\n"));
    EXPECT_FALSE(HasFinalResult("\r\n+FSMEM: C:1bytes\r\n"));
    EXPECT_FALSE(HasFinalResult("\r\nO"));
}

TEST(ModemAnswers, ParsersHoldTheirPromisesOnAnyInput) {
    std::mt19937 random(20240315);
    const char kAlphabet[] = "0123456789+FSMEM: C:bytes\r\n>OK\0\xFF";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    for (int round = 0; round < 20000; ++round) {
        std::string s(random() % 48, ' ');
        for (char& c : s) c = alphabet[random() % alphabet.size()];
        if (const auto imei = ParseImei(s)) {
            ASSERT_EQ(imei->size(), 15u);
            ASSERT_EQ(imei->find_first_not_of("0123456789"), std::string::npos);
        }
        if (const auto free = ParseFreeMemory(s)) {
            ASSERT_GE(*free, 0);
        }
    }
}

TEST(StreamText, ZeroBytesAreDroppedAndNothingElse) {
    const char kBytes[] =
        "$GPGGA,1\0"
        "2*00\r\n\0\0$GP";
    EXPECT_EQ(StreamText(reinterpret_cast<const uint8_t*>(kBytes), sizeof kBytes - 1), "$GPGGA,12*00\r\n$GP");
    const std::string cyrillic("\xC7\xCE\xD0\xD2", 4);  // "ЗОРТ" in Windows-1251
    EXPECT_EQ(StreamText(reinterpret_cast<const uint8_t*>(cyrillic.data()), 4), "ЗОРТ");
}

}  // namespace
}  // namespace zort
