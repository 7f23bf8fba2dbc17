// The simulated modem behind command 8: what it answers, byte for byte, and what it
// keeps.

#include <gtest/gtest.h>

#include "sim/ModemModel.h"

namespace zort::sim {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

using namespace std::chrono_literals;

class Modem : public ::testing::Test {
  protected:
    Modem() {
        modem.SetImeiSource([] { return std::string("861234050123456"); });
        modem.SetClock([this] { return now; });
        modem.SetPowered(true);
        Say("ATE0\r\n");
    }
    std::string Say(const std::string& text) {
        const std::vector<uint8_t> out = modem.OnPayload(Bytes(text));
        return {out.begin(), out.end()};
    }
    std::string Later(std::chrono::milliseconds step) {
        now += step;
        const std::vector<uint8_t> out = modem.TakeSpontaneous();
        return {out.begin(), out.end()};
    }
    ModemModel::Clock::time_point now = ModemModel::Clock::time_point{} + 1h;
    ModemModel modem;
};

const std::string kOk = "\r\nOK\r\n";
const std::string kNoSim = "\r\n+CME ERROR: 10\r\n";
// "Баланс: 123,45 р." as UTF-16 code units.
const std::string kBalanceUcs2 = "04110430043B0430043D0441003A0020003100320033002C0034003500200440002E";

TEST(ModemPower, FollowsTheTrackersSwitchesAndIsDeadWhileOff) {
    TrackerModel tracker;
    ModemModel modem;
    tracker.SetModem(&modem);
    ReceivedFrame at{{kCmdModemPassThrough, 0, 4}, Bytes("AT\r\n")};
    EXPECT_TRUE(tracker.Handle(at).empty()) << "off: no answer";
    ReceivedFrame create{{kCmdModemPassThrough, 0, 21}, Bytes("AT+FSCREATE=C:\\X.AMR\r\n")};
    tracker.Handle(create);
    EXPECT_TRUE(modem.Files().empty()) << "off: nothing done";

    tracker.Handle({{kCmdStartModem, 0, 0}, {}});
    EXPECT_TRUE(modem.Powered());
    EXPECT_EQ(tracker.Handle(at), Bytes("AT\r\r\nOK\r\n")) << "a fresh start echoes";
    tracker.Handle({{kCmdStopModem, 0, 0}, {}});
    EXPECT_FALSE(modem.Powered());
    EXPECT_TRUE(tracker.Handle(at).empty());
}

TEST_F(Modem, EchoIsSwitchedByATE0AndComesBackWithPower) {
    EXPECT_EQ(Say("AT\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(Say("at\r"), "\r\nOK\r\n") << "case does not matter; the CR ends the line";
    modem.SetPowered(false);
    modem.SetPowered(true);
    EXPECT_EQ(Say("ATE0\r\n"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(Say("AT+NOPE\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Say("junk\r\n"), "") << "a line that is not a command is ignored";
    EXPECT_EQ(Say("A"), "");
    EXPECT_EQ(Say("T\r\n"), "\r\nOK\r\n") << "a command may come in pieces";
    EXPECT_EQ(Say("AT" + std::string(600, 'X') + "\r\n"), "\r\nERROR\r\n") << "overflowing the line buffer";
}

TEST_F(Modem, FileSystemOnDriveC) {
    modem.SetFreeMemory(100);
    EXPECT_EQ(Say("AT+FSMEM\r\n"), "\r\n+FSMEM: C:100bytes\r\n\r\nOK\r\n");
    EXPECT_EQ(Say("AT+FSDEL=C:\\A.AMR\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Say("AT+FSWRITE=C:\\A.AMR,1,4,1000\r\n"), "\r\nERROR\r\n") << "no such file";
    EXPECT_EQ(Say("AT+FSCREATE=C:\\A.AMR\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(Say("AT+FSCREATE=C:\\A.AMR\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Say("AT+FSCREATE=D:\\A.AMR\r\n"), "\r\nERROR\r\n");

    // The prompt, then exactly the announced bytes from the following payloads; the LF
    // after the command's CR is not data.
    EXPECT_EQ(Say("AT+FSWRITE=C:\\A.AMR,1,10,1000\r\n"), "\r\n> ");
    EXPECT_EQ(Say(std::string("\r\n\0\x1A", 4)), "") << "4 of 10 bytes";
    EXPECT_EQ(Say(std::string("ABCDEF", 6)), "\r\nOK\r\n");
    EXPECT_EQ(modem.Files().at("A.AMR"), Bytes(std::string("\r\n\0\x1A"
                                                           "ABCDEF",
                                                           10)));
    EXPECT_EQ(modem.FreeMemory(), 90);

    EXPECT_EQ(Say("AT+FSWRITE=C:\\A.AMR,1,0,1000\r\n"), "\r\n> ");
    EXPECT_EQ(Say(""), "\r\nOK\r\n") << "a write of 0 bytes ends with the next, empty payload";
    EXPECT_EQ(Say("AT+FSWRITE=C:\\A.AMR,1,91,1000\r\n"), "\r\nERROR\r\n") << "more than is free";
    EXPECT_EQ(Say("AT+FSWRITE=C:\\A.AMR,0,2,1000\r\n"), "\r\n> ");
    EXPECT_EQ(Say("xyAT\r\n"), "\r\nOK\r\n\r\nOK\r\n")
        << "mode 0 rewrites; what follows the data is a command";
    EXPECT_EQ(modem.Files().at("A.AMR"), Bytes("xy"));
    EXPECT_EQ(Say("AT+FSDEL=c:\\A.AMR\r\n"), "\r\nOK\r\n");
    EXPECT_TRUE(modem.Files().empty());
}

TEST_F(Modem, PhoneBookImeiSmsAndCalls) {
    EXPECT_EQ(Say("AT+CPBW=1,\"00000\",145,\"ZORT, TEST\"\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(modem.PhoneBook().at(1).text, "ZORT, TEST");
    EXPECT_EQ(modem.PhoneBook().at(1).type, 145);
    EXPECT_EQ(Say("AT+CPBW=0,\"1\",129,\"x\"\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Say("AT+CPBW=1,\"1\",129,\"x\r\n"), "\r\nERROR\r\n") << "unclosed quote";
    EXPECT_EQ(Say("AT+CPBW=1\r\n"), "\r\nOK\r\n");
    EXPECT_TRUE(modem.PhoneBook().empty());

    EXPECT_EQ(Say("AT+GSN\r\n"), "\r\n861234050123456\r\n\r\nOK\r\n");

    EXPECT_EQ(Say("AT+CMGS=\"+79001234567\"\r\n"), "\r\nERROR\r\n") << "still in PDU mode";
    EXPECT_EQ(Say("AT+CMGF=1\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(Say("AT+CSCS=\"GSM\"\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(Say("AT+CMGS=\"+7 900\"\r\n"), "\r\n> ");
    EXPECT_EQ(Say("8612"), "");
    EXPECT_EQ(Say("34\x1A"), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(Say("AT+CMGS=\"112\"\r\n"), "\r\n> ");
    EXPECT_EQ(Say("never\x1B"), "") << "ESC drops the message";
    ASSERT_EQ(modem.SentSms().size(), 1u);
    EXPECT_EQ(modem.SentSms()[0].number, "+7 900");
    EXPECT_EQ(modem.SentSms()[0].body, "861234");

    EXPECT_EQ(Say("ATD+7 900 123;\r\n"), "\r\nOK\r\n");
    EXPECT_TRUE(modem.CallActive());
    EXPECT_EQ(Say("ATD+7900\r\n"), "\r\nERROR\r\n") << "only voice calls";
    EXPECT_EQ(Say("ATH0\r\n"), "\r\nOK\r\n");
    EXPECT_FALSE(modem.CallActive());
    EXPECT_EQ(modem.Calls(), (std::vector<std::string>{"+7 900 123"}));

    const std::string json = modem.StateJson();
    EXPECT_NE(json.find("\"sms\": [{\"number\": \"+7 900\", \"body\": \"861234\"}]"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"calls\": [\"+7 900 123\"]"), std::string::npos) << json;
}

TEST_F(Modem, FaultOptions) {
    Say("AT+FSCREATE=C:\\A.AMR\r\n");
    Say("AT+CMGF=1\r\n");
    modem.SetOptions({.noPrompt = true});
    EXPECT_EQ(Say("AT+FSWRITE=C:\\A.AMR,1,1,1000\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Say("AT+CMGS=\"1\"\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Say("AT\r\n"), "\r\nOK\r\n") << "everything else still works";
    modem.SetOptions({.errorToAll = true});
    EXPECT_EQ(Say("AT\r\n"), "\r\nERROR\r\n");
    modem.SetOptions({.silent = true});
    EXPECT_EQ(Say("AT\r\n"), "");
    modem.SetOptions({.freeBytes = 7});
    EXPECT_EQ(Say("AT+FSMEM\r\n"), "\r\n+FSMEM: C:7bytes\r\n\r\nOK\r\n");
}

TEST_F(Modem, NetworkAndCardAnswersInEachCondition) {
    struct Case {
        const char* name;
        ModemModel::Options options;
        const char *csq, *creg, *cops;
        bool card;
    };
    const Case kCases[] = {
        {"home network", {}, "+CSQ: 21,0", "+CREG: 0,1", "+COPS: 0,0,\"ZORT MOBILE\"", true},
        {"weak signal", {.weakSignal = true}, "+CSQ: 4,99", "+CREG: 0,1", "+COPS: 0,0,\"ZORT MOBILE\"", true},
        {"no network", {.noNetwork = true}, "+CSQ: 11,99", "+CREG: 0,2", "+COPS: 0", true},
        {"no SIM", {.noSim = true}, "+CSQ: 21,0", "+CREG: 0,0", "+COPS: 0", false},
    };
    auto line = [](const std::string& text) { return "\r\n" + text + "\r\n" + kOk; };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        modem.SetOptions(c.options);
        EXPECT_EQ(Say("AT+CSQ\r\n"), line(c.csq));
        EXPECT_EQ(Say("at+creg?\r\n"), line(c.creg));
        EXPECT_EQ(Say("AT+COPS?\r\n"), line(c.cops));
        EXPECT_EQ(Say("AT+CPIN?\r\n"), c.card ? line("+CPIN: READY") : kNoSim) << "no OK after the error";
        EXPECT_EQ(Say("AT+CCID\r\n"), c.card ? line("+CCID: 89701012345678901234") : kNoSim);
    }
    modem.SetOptions({.errorToAll = true});
    EXPECT_EQ(Say("AT+CSQ\r\n"), "\r\nERROR\r\n");
}

TEST_F(Modem, RegistrationReportsFollowATCREGUntilARestart) {
    EXPECT_EQ(Say("AT+CREG=2\r\n"), kOk);
    EXPECT_EQ(Say("AT+CREG?\r\n"), "\r\n+CREG: 2,1,\"1A2B\",\"3C4D\"\r\n" + kOk) << "with the cell";
    modem.SetOptions({.noNetwork = true});
    EXPECT_EQ(Say("AT+CREG?\r\n"), "\r\n+CREG: 2,2\r\n" + kOk) << "no cell while searching";
    EXPECT_EQ(Say("AT+CREG=3\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Say("AT+CREG=\r\n"), "\r\nERROR\r\n");
    modem.SetPowered(false);
    modem.SetPowered(true);
    EXPECT_EQ(Say("AT+CREG?\r\n"), "AT+CREG?\r\r\n+CREG: 0,2\r\n" + kOk) << "echo and n=0 again";
}

TEST_F(Modem, UssdIsAnsweredOnceByTheNetworkAfterItsDelay) {
    EXPECT_EQ(Say("AT+CUSD=1,\"*100#\",15\r\n"), kOk);
    EXPECT_EQ(Later(1499ms), "") << "the network takes its time";
    EXPECT_EQ(Later(1ms), "\r\n+CUSD: 0,\"" + kBalanceUcs2 + "\",72\r\n");
    EXPECT_EQ(Later(10s), "") << "once";
    EXPECT_EQ(Say("AT+CUSD?\r\n"), "\r\n+CUSD: 1\r\n" + kOk);

    // One request at a time; AT+CUSD=2 drops the one under way.
    EXPECT_EQ(Say("AT+CUSD=1,\"*102#\"\r\n"), kOk);
    EXPECT_EQ(Say("AT+CUSD=1,\"*100#\",15\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(Say("AT+CUSD=2\r\n"), kOk);
    EXPECT_EQ(Later(2s), "");
    // A switched-off modem forgets the request it was waiting on.
    EXPECT_EQ(Say("AT+CUSD=1,\"*100#\",15\r\n"), kOk);
    modem.SetPowered(false);
    modem.SetPowered(true);
    EXPECT_EQ(Later(2s), "");

    Say("ATE0\r\n");
    for (const char* bad : {"AT+CUSD=1,*100#,15\r\n", "AT+CUSD=3\r\n", "AT+CUSD=1,\"abc\"\r\n",
                            "AT+CUSD=1,\"\",15\r\n", "AT+CUSD=1,\"*100#\",x\r\n", "AT+CUSD=1,\"*1\r\n"}) {
        EXPECT_EQ(Say(bad), "\r\nERROR\r\n") << bad;
    }
    EXPECT_NE(modem.StateJson().find("\"ussd_codes\": [\"*100#\", \"*102#\", \"*100#\", \"*100#\"]"),
              std::string::npos)
        << modem.StateJson();
}

TEST_F(Modem, UssdTextInEitherCoding) {
    modem.SetOptions({.ussdText = true});
    modem.SetUssdDelay(100ms);
    EXPECT_EQ(Say("AT+CUSD=1,\"*100#\",15\r\n"), kOk);
    EXPECT_EQ(Later(100ms), "\r\n+CUSD: 0,\"\xC1\xE0\xEB\xE0\xED\xF1: 123,45 \xF0.\",15\r\n");

    // Beyond the basic plane UCS2 hex carries a surrogate pair.
    modem.SetOptions({});
    modem.SetUssdAnswer("A\xE2\x82\xAC\xF0\x9F\x98\x80");
    Say("AT+CUSD=1,\"#100#\"\r\n");
    EXPECT_EQ(Later(2s), "\r\n+CUSD: 0,\"004120ACD83DDE00\",72\r\n");
    // Malformed UTF-8 is not passed on as if it were text.
    EXPECT_EQ(Utf8ToUcs2Hex("\xC0\xAF"), "FFFDFFFD") << "overlong";
    EXPECT_EQ(Utf8ToUcs2Hex("\xED\xA0\x80"), "FFFD") << "a surrogate";
    EXPECT_EQ(Utf8ToUcs2Hex("\xE2\x82z"), "FFFDFFFD007A") << "cut short";

    // Presentation off (AT+CUSD=0): the network answers, the modem shows nothing.
    EXPECT_EQ(Say("AT+CUSD=0,\"*100#\"\r\n"), kOk);
    EXPECT_EQ(Later(2s), "");
}

TEST_F(Modem, UssdWithoutNetworkOrCard) {
    modem.SetOptions({.noNetwork = true});
    EXPECT_EQ(Say("AT+CUSD=1,\"*100#\",15\r\n"), kOk);
    EXPECT_EQ(Later(1500ms), "\r\n+CUSD: 4\r\n") << "the network does not serve it";
    modem.SetOptions({.noSim = true});
    EXPECT_EQ(Say("AT+CUSD=1,\"*100#\",15\r\n"), kNoSim);
    EXPECT_EQ(Later(2s), "");
    EXPECT_EQ(modem.UssdCodes().size(), 2u) << "refused requests are counted too";
}

TEST_F(Modem, StateShowsFileContentsInHex) {
    Say("AT+FSCREATE=C:\\A.AMR\r\n");
    Say("AT+FSWRITE=C:\\A.AMR,1,3,1000\r\n");
    Say(std::string("\x00\xFF\x10", 3));
    EXPECT_NE(modem.StateJson().find("\"files\": {\"A.AMR\": \"00ff10\"}"), std::string::npos)
        << modem.StateJson();
}

}  // namespace
}  // namespace zort::sim
