// The modem's answers about the network and the SIM card, as they arrive: with and
// without the echo, cut before the final result, around unsolicited lines, and wrong.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "link/Cp1251.h"
#include "status/ModemStatus.h"

namespace zort {
namespace {

std::string Cp1251(std::string_view utf8) {
    return Utf8ToCp1251(utf8);
}

TEST(ModemSignal, AnswersToCsq) {
    struct Case {
        const char* name;
        std::string answer;
        std::optional<int> rssi;  // nothing expected when empty
        int dbm = 0;
        int bars = 0;
    };
    const Case cases[] = {
        {"echo", "AT+CSQ\r\r\n+CSQ: 20,0\r\n\r\nOK\r\n", 20, -73, 4},
        {"no echo", "\r\n+CSQ: 20,0\r\n\r\nOK\r\n", 20, -73, 4},
        {"cut before OK", "\r\n+CSQ: 31,99\r\n", 31, -51, 5},
        {"weakest", "\r\n+CSQ: 0,7\r\n", 0, -113, 0},
        {"no blank after the colon", "+CSQ:15,3\r\n", 15, -83, 3},
        {"unsolicited lines around", "\r\nRING\r\n\r\n+CSQ: 12,0\r\n\r\n+CREG: 1\r\nOK\r\n", 12, -89, 3},
        {"the last answer counts", "\r\n+CSQ: 5,0\r\n\r\nOK\r\n\r\n+CSQ: 25,0\r\n", 25, -63, 5},
        {"not detectable", "\r\n+CSQ: 99,99\r\n\r\nOK\r\n", {}},
        {"rssi 32", "\r\n+CSQ: 32,0\r\n", {}},
        {"rssi over 99", "\r\n+CSQ: 100,0\r\n", {}},
        {"negative", "\r\n+CSQ: -1,0\r\n", {}},
        {"no comma", "\r\n+CSQ: 20\r\n", {}},
        {"ber 8", "\r\n+CSQ: 20,8\r\n", {}},
        {"ber missing", "\r\n+CSQ: 20,\r\n", {}},
        {"a third number", "\r\n+CSQ: 20,0,1\r\n", {}},
        {"quoted", "\r\n+CSQ: \"20\",0\r\n", {}},
        {"a figure cut by the end of what arrived", "\r\n+CSQ: 2", {}},
        {"ERROR", "AT+CSQ\r\r\nERROR\r\n", {}},
        {"CME ERROR", "\r\n+CME ERROR: 100\r\n", {}},
        {"nothing", "", {}},
    };
    for (const Case& c : cases) {
        const auto signal = ParseSignal(c.answer);
        ASSERT_EQ(signal.has_value(), c.rssi.has_value()) << c.name;
        if (!signal) continue;
        EXPECT_EQ(signal->rssi, *c.rssi) << c.name;
        EXPECT_EQ(signal->dbm, c.dbm) << c.name;
        EXPECT_EQ(signal->bars, c.bars) << c.name;
    }
}

TEST(ModemSignal, BarsChangeAtTheirEdges) {
    // {rssi, bars} on both sides of every step.
    const std::pair<int, int> edges[] = {{1, 0},  {2, 0},  {3, 1},  {6, 1},  {7, 2},  {11, 2},
                                         {12, 3}, {16, 3}, {17, 4}, {21, 4}, {22, 5}, {30, 5}};
    for (const auto& [rssi, bars] : edges) {
        const auto signal = ParseSignal("+CSQ: " + std::to_string(rssi) + ",0\r\n");
        ASSERT_TRUE(signal) << rssi;
        EXPECT_EQ(signal->bars, bars) << "rssi " << rssi;
    }
}

TEST(ModemRegistration, AnswersToCreg) {
    const struct {
        const char* name;
        std::string answer;
        Registration expected;
    } cases[] = {
        {"echo", "AT+CREG?\r\r\n+CREG: 0,1\r\n\r\nOK\r\n", Registration::kHome},
        {"no echo, roaming", "\r\n+CREG: 0,5\r\n\r\nOK\r\n", Registration::kRoaming},
        {"n 1 is not the status", "\r\n+CREG: 1,0\r\n", Registration::kNotRegistered},
        {"searching", "\r\n+CREG: 2,2\r\n", Registration::kSearching},
        {"denied", "\r\n+CREG: 0,3\r\n", Registration::kDenied},
        {"with location", "\r\n+CREG: 2,1,\"00A5\",\"1B2F\"\r\n", Registration::kHome},
        {"with location and act", "\r\n+CREG: 2,5,\"00A5\",\"01B2F3C4\",7\r\n", Registration::kRoaming},
        {"unsolicited", "\r\n+CREG: 2\r\n", Registration::kSearching},
        {"unsolicited with location", "\r\n+CREG: 1,\"00A5\",\"1B2F\"\r\n", Registration::kHome},
        {"an unsolicited line before the answer", "\r\n+CREG: 1\r\n\r\n+CREG: 0,2\r\n\r\nOK\r\n",
         Registration::kSearching},
        {"RING before the answer", "\r\nRING\r\n\r\n+CREG: 0,1\r\n\r\nOK\r\n", Registration::kHome},
        {"n out of range", "\r\n+CREG: 3,1\r\n", Registration::kUnknown},
        {"stat out of range", "\r\n+CREG: 0,6\r\n", Registration::kUnknown},
        {"lac without ci", "\r\n+CREG: 2,1,\"00A5\"\r\n", Registration::kUnknown},
        {"three unquoted numbers", "\r\n+CREG: 0,1,2\r\n", Registration::kUnknown},
        {"one quoted field after stat", "\r\n+CREG: 1,\"00A5\"\r\n", Registration::kUnknown},
        {"lac not hex", "\r\n+CREG: 2,1,\"00G5\",\"1B2F\"\r\n", Registration::kUnknown},
        {"act out of range", "\r\n+CREG: 2,1,\"00A5\",\"1B2F\",12\r\n", Registration::kUnknown},
        {"quote not closed", "\r\n+CREG: 2,1,\"00A5,\"1B2F\r\n", Registration::kUnknown},
        {"empty", "\r\n+CREG:\r\n", Registration::kUnknown},
        {"cut", "\r\n+CREG: 0,1", Registration::kUnknown},
        {"ERROR", "AT+CREG?\r\r\nERROR\r\n", Registration::kUnknown},
        {"CME ERROR", "\r\n+CME ERROR: 30\r\n", Registration::kUnknown},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseRegistration(c.answer), c.expected) << c.name;
}

TEST(ModemOperator, AnswersToCops) {
    const struct {
        const char* name;
        std::string answer;
        std::optional<std::string> expected;
    } cases[] = {
        {"echo", "AT+COPS?\r\r\n+COPS: 0,0,\"MTS RUS\",2\r\n\r\nOK\r\n", "MTS RUS"},
        {"no echo, no act", "\r\n+COPS: 0,0,\"Beeline\"\r\n", "Beeline"},
        {"registered nowhere", "\r\n+COPS: 0\r\n\r\nOK\r\n", ""},
        {"numeric", "\r\n+COPS: 0,2,\"25001\",7\r\n", "25001"},
        {"a comma in the name", "\r\n+COPS: 0,0,\"Tele2, RU\",2\r\n", "Tele2, RU"},
        {"Windows-1251 name", "\r\n+COPS: 0,1,\"" + Cp1251("МТС") + "\"\r\n", "МТС"},
        {"UCS2 hex name", "\r\n+COPS: 0,0,\"041c04220421\"\r\n", "МТС"},
        {"unsolicited line before", "\r\n+CREG: 1\r\n\r\n+COPS: 0,0,\"MegaFon\"\r\n", "MegaFon"},
        {"numeric that is not digits", "\r\n+COPS: 0,2,\"MTS\"\r\n", std::nullopt},
        {"numeric too short", "\r\n+COPS: 0,2,\"2500\"\r\n", std::nullopt},
        {"not printable", "\r\n+COPS: 0,0,\"MTS\x01RUS\"\r\n", std::nullopt},
        {"a line break in UCS2", "\r\n+COPS: 0,0,\"004D000A0054\"\r\n", std::nullopt},
        {"quote not closed", "\r\n+COPS: 0,0,\"MTS RUS\r\n\r\nOK\r\n", std::nullopt},
        {"junk after the name", "\r\n+COPS: 0,0,\"MTS\"x,2\r\n", std::nullopt},
        {"name not quoted", "\r\n+COPS: 0,0,MTS\r\n", std::nullopt},
        {"empty name", "\r\n+COPS: 0,0,\"\"\r\n", std::nullopt},
        {"mode out of range", "\r\n+COPS: 5\r\n", std::nullopt},
        {"format out of range", "\r\n+COPS: 0,3,\"MTS\"\r\n", std::nullopt},
        {"act out of range", "\r\n+COPS: 0,0,\"MTS\",10\r\n", std::nullopt},
        {"cut", "\r\n+COPS: 0,0,\"MTS RUS\",2", std::nullopt},
        {"ERROR", "\r\nERROR\r\n", std::nullopt},
        {"CME ERROR", "\r\n+CME ERROR: 10\r\n", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseOperator(c.answer), c.expected) << c.name;
}

TEST(ModemSimState, AnswersToCpin) {
    const struct {
        const char* name;
        std::string answer;
        SimState expected;
    } cases[] = {
        {"echo", "AT+CPIN?\r\r\n+CPIN: READY\r\n\r\nOK\r\n", SimState::kReady},
        {"no echo", "\r\n+CPIN: READY\r\n", SimState::kReady},
        {"PIN", "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n", SimState::kPinNeeded},
        {"PUK", "\r\n+CPIN: SIM PUK\r\n\r\nOK\r\n", SimState::kPukNeeded},
        {"not inserted", "\r\n+CPIN: NOT INSERTED\r\n", SimState::kAbsent},
        {"error 10", "AT+CPIN?\r\r\n+CME ERROR: 10\r\n", SimState::kAbsent},
        {"error text", "\r\n+CME ERROR: SIM not inserted\r\n", SimState::kAbsent},
        {"error text in capitals", "\r\n+CME ERROR: SIM NOT INSERTED\r\n", SimState::kAbsent},
        {"unsolicited line before", "\r\n+CREG: 1\r\n\r\n+CPIN: READY\r\n", SimState::kReady},
        {"still starting", "\r\n+CPIN: NOT READY\r\n", SimState::kUnknown},
        {"PIN2 says nothing of the card", "\r\n+CPIN: SIM PIN2\r\n", SimState::kUnknown},
        {"SIM failure", "\r\n+CME ERROR: 13\r\n", SimState::kUnknown},
        {"plain ERROR", "\r\nERROR\r\n", SimState::kUnknown},
        {"cut", "\r\n+CPIN: READY", SimState::kUnknown},
        {"nothing", "", SimState::kUnknown},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseSimState(c.answer), c.expected) << c.name;
}

TEST(ModemIccid, AnswersToCcid) {
    const std::string id = "89701012345678901234";
    const struct {
        const char* name;
        std::string answer;
        std::optional<std::string> expected;
    } cases[] = {
        {"echo", "AT+CCID\r\r\n+CCID: " + id + "\r\n\r\nOK\r\n", id},
        {"ICCID tag", "\r\n+ICCID: " + id + "\r\n", id},
        {"quoted", "\r\n+CCID: \"" + id + "\"\r\n", id},
        {"bare line", "AT+CCID\r\r\n" + id + "\r\n\r\nOK\r\n", id},
        {"padding dropped", "\r\n+CCID: 8970101234567890123F\r\n", "8970101234567890123"},
        {"18 digits", "\r\n+CCID: 897010123456789012\r\n", "897010123456789012"},
        {"a tagged line wins", "\r\n89700000000000000000\r\n+CCID: " + id + "\r\n", id},
        {"23 digits", "\r\n+CCID: 89701012345678901234567\r\n", std::nullopt},
        {"17 digits", "\r\n+CCID: 89701012345678901\r\n", std::nullopt},
        {"17 digits and padding", "\r\n+CCID: 89701012345678901F\r\n", std::nullopt},
        {"padding not last", "\r\n+CCID: 897010123456789F1234\r\n", std::nullopt},
        {"a letter", "\r\n+CCID: 8970101234A678901234\r\n", std::nullopt},
        {"a broken tagged line", "\r\n" + id + "\r\n+CCID: 8970\r\n", std::nullopt},
        {"IMEI only", "\r\n861234050123456\r\n\r\nOK\r\n", std::nullopt},
        {"cut", "\r\n+CCID: 8970101234567890123", std::nullopt},
        {"cut bare line", "\r\n8970101234567890123", std::nullopt},
        {"ERROR", "AT+CCID\r\r\nERROR\r\n", std::nullopt},
        {"no card", "\r\n+CME ERROR: 10\r\n", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseIccid(c.answer), c.expected) << c.name;
}

TEST(ModemBalance, CodeAndRequest) {
    const std::pair<std::string, std::string> codes[] = {
        {"00000", "*100#"},
        {"", "*100#"},
        {"*102#", "*102#"},
        {"#100#", "#100#"},
        {"0000", "0000"},
        {"*10 2#", "*100#"},
        {"*102#\r", "*100#"},
        {"*105*1#", "*105*1#"},
        {"*1234567890123456789", "*1234567890123456789"},  // 20
        {"*12345678901234567890", "*100#"},                // 21
        {"\xCC\xD2\xD1", "*100#"},
    };
    for (const auto& [code, expected] : codes) EXPECT_EQ(BalanceCode(code), expected) << code;
    EXPECT_EQ(AtBalanceRequest("*102#"), "AT+CUSD=1,\"*102#\",15\r\n");
}

// "Баланс: 123 руб." as UCS2 hex.
constexpr const char* kBalanceUcs2 = "04110430043B0430043D0441003A00200031003200330020044004430431002E";

TEST(ModemUssd, Answers) {
    const std::string balance = Cp1251("Баланс 12.50 р.");
    const std::string ucs2 = kBalanceUcs2;
    const struct {
        const char* name;
        std::string answer;
        std::optional<UssdAnswer> expected;
    } cases[] = {
        {"Windows-1251", "\r\n+CUSD: 0,\"" + balance + "\",15\r\n", UssdAnswer{0, "Баланс 12.50 р."}},
        {"after the echo and OK", "AT+CUSD=1,\"*100#\",15\r\r\nOK\r\n\r\n+CUSD: 0,\"" + balance + "\",15\r\n",
         UssdAnswer{0, "Баланс 12.50 р."}},
        {"UCS2 by coding", "\r\n+CUSD: 0,\"" + ucs2 + "\",72\r\n", UssdAnswer{0, "Баланс: 123 руб."}},
        {"no coding", "\r\n+CUSD: 1,\"Enter PIN\"\r\n", UssdAnswer{1, "Enter PIN"}},
        {"ended by the network", "\r\n+CUSD: 2\r\n", UssdAnswer{2, ""}},
        {"not supported", "\r\n+CUSD: 4\r\n\r\nOK\r\n", UssdAnswer{4, ""}},
        {"commas", "\r\n+CUSD: 0,\"Balance: 12,50 rub, valid\",15\r\n",
         UssdAnswer{0, "Balance: 12,50 rub, valid"}},
        {"lines", "\r\n+CUSD: 0,\"Balance 5\r\nBonus 2\",15\r\n", UssdAnswer{0, "Balance 5\r\nBonus 2"}},
        {"quotes", "\r\n+CUSD: 0,\"Say \"hi\", now\",15\r\n", UssdAnswer{0, "Say \"hi\", now"}},
        {"unsolicited lines around", "\r\nRING\r\n\r\n+CUSD: 0,\"x\",15\r\n\r\n+CREG: 1\r\n",
         UssdAnswer{0, "x"}},
        {"the last one counts", "\r\n+CUSD: 1,\"a\",15\r\n+CUSD: 0,\"b\",15\r\n", UssdAnswer{0, "b"}},
        {"status out of range", "\r\n+CUSD: 6,\"x\",15\r\n", std::nullopt},
        {"coding out of range", "\r\n+CUSD: 0,\"x\",300\r\n", std::nullopt},
        {"text not quoted", "\r\n+CUSD: 0,Balance,15\r\n", std::nullopt},
        {"cut in the text", "\r\n+CUSD: 0,\"" + balance.substr(0, 8), std::nullopt},
        {"quote never closed", "\r\n+CUSD: 0,\"Balance 12\r\n\r\nOK\r\n", std::nullopt},
        {"no line end yet", "\r\n+CUSD: 0,\"x\",15", std::nullopt},
        {"OK only", "AT+CUSD=1,\"*100#\",15\r\r\nOK\r\n", std::nullopt},
        {"ERROR", "\r\n+CME ERROR: 100\r\n", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto ussd = ParseUssd(c.answer);
        ASSERT_EQ(ussd.has_value(), c.expected.has_value()) << c.name;
        if (!ussd) continue;
        EXPECT_EQ(ussd->status, c.expected->status) << c.name;
        EXPECT_EQ(ussd->text, c.expected->text) << c.name;
    }
}

TEST(ModemUssd, TextCoding) {
    const std::string hex = kBalanceUcs2;
    const std::string decoded = "Баланс: 123 руб.";
    const struct {
        const char* name;
        std::string text;
        const char* dcs;  // with its comma, or empty for none
        std::string expected;
    } cases[] = {
        {"UCS2 by coding 72", hex, ",72", decoded},
        {"one character by coding", "0041", ",72", "A"},
        {"UCS2 by coding with a message class", "D83DDE00", ",88", "\U0001F600"},
        {"a reserved alphabet is not UCS2", "D83DDE00", ",76", "D83DDE00"},
        {"plainly UCS2 without coding", hex, "", decoded},
        {"plainly UCS2 with coding 15", hex, ",15", decoded},
        {"hex of no text stays text", "12345678", ",15", "12345678"},
        {"too short to be sure", "0031", "", "0031"},
        {"not whole characters", "04110430041", ",15", "04110430041"},
        {"coding promises UCS2, text is not hex", "Hello", ",72", "Hello"},
        {"surrogate pair", "D83DDE00", ",72", "\U0001F600"},
        {"high half alone", "D83D0041", ",72", "\uFFFDA"},
        {"low half alone", "DE000041", ",72", "\uFFFDA"},
        {"zero dropped", "004100000042", ",72", "AB"},
        {"surrogates are no text", "DEADBEEF", ",15", "DEADBEEF"},
    };
    for (const auto& c : cases) {
        const auto ussd = ParseUssd("\r\n+CUSD: 0,\"" + c.text + "\"" + c.dcs + "\r\n");
        ASSERT_TRUE(ussd) << c.name;
        EXPECT_EQ(ussd->text, c.expected) << c.name;
    }
}

TEST(ModemUssd, WaitEndsOnTheAnswerOrAnError) {
    const struct {
        const char* name;
        std::string answer;
        bool expected;
    } cases[] = {
        {"OK comes first", "AT+CUSD=1,\"*100#\",15\r\r\nOK\r\n", false},
        {"the answer", "\r\nOK\r\n\r\n+CUSD: 0,\"Balance 5\",15\r\n", true},
        {"ended by the network", "\r\n+CUSD: 2\r\n", true},
        {"ERROR", "\r\nERROR\r\n", true},
        {"CME ERROR", "\r\n+CME ERROR: 100\r\n", true},
        {"CMS ERROR", "\r\n+CMS ERROR: 500\r\n", true},
        {"whole but unreadable", "\r\n+CUSD: 9\r\n", true},
        {"text not quoted", "\r\n+CUSD: 0,Balance\r\n", true},
        {"text arriving", "\r\nOK\r\n\r\n+CUSD: 0,\"Balance 5\r\n", false},
        {"line end not yet there", "\r\n+CUSD: 0,\"Balance 5\",15", false},
        {"status only, no line end", "\r\n+CUSD: 2", false},
        {"the echo alone", "AT+CUSD=1,\"*100#\",15\r", false},
        {"nothing", "", false},
    };
    for (const auto& c : cases) EXPECT_EQ(HasUssdAnswer(c.answer), c.expected) << c.name;
}

}  // namespace
}  // namespace zort
