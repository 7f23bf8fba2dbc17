#pragma once
// The tracker's GSM modem as it answers AT commands passed through command 8: result
// codes as lines ("\r\nOK\r\n", "\r\nERROR\r\n"), echo until "ATE0", a file system on
// drive C: (AT+FSMEM, AT+FSDEL, AT+FSCREATE, AT+FSWRITE with its "> " prompt), the SIM
// phone book (AT+CPBW), the IMEI (AT+GSN), text-mode SMS (AT+CMGF, AT+CSCS, AT+CMGS with
// its prompt and Ctrl-Z) and voice calls (ATD...;, ATH0).
//
// It also tells what it knows of the mobile network and the card: AT+CSQ, AT+CREG?
// (and AT+CREG=<n>), AT+COPS?, AT+CPIN?, AT+CCID, and runs USSD requests
// (AT+CUSD=1,"<code>",15): "OK" at once, the network's answer as an unsolicited
// "+CUSD: 0,..." line some time later, handed out by TakeSpontaneous(). Without a card
// the request is refused with "+CME ERROR: 10"; without a network it is taken and the
// network's "+CUSD: 4" (not served) follows. A request while one is under way gets
// "ERROR"; AT+CUSD=2 drops the one under way.
//
// A command runs when its CR arrives. After a prompt the rest of that payload is
// dropped (the CR's LF) and the data comes in the following payloads. A modem that is
// switched off answers nothing and does nothing; switching it on brings back the
// defaults of a fresh start (echo on, PDU mode, no registration reports, no USSD under
// way), while files and phone book stay.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sim/TrackerModel.h"

namespace zort::sim {

// A text as USSD carries it in UCS2 (data coding 72): four hex digits per UTF-16 unit,
// big-endian, characters beyond the basic plane as surrogate pairs. Malformed UTF-8
// becomes U+FFFD.
std::string Utf8ToUcs2Hex(std::string_view utf8);

class ModemModel : public PassThroughPeer {
  public:
    using Clock = std::chrono::steady_clock;
    struct Options {
        bool silent = false;          // answers nothing at all, as a modem that hangs
        bool errorToAll = false;      // "ERROR" to every command
        bool noPrompt = false;        // "ERROR" where the "> " of a file write or an SMS would come
        int64_t freeBytes = 1048576;  // free space on drive C: while it holds no files
        bool noSim = false;           // no card in the holder: not registered, "+CME ERROR: 10"
        bool noNetwork = false;       // a card, but no network to register on: searching
        bool weakSignal = false;      // the antenna barely hears a cell
        bool ussdText = false;        // USSD answers as Windows-1251 text (dcs 15), not UCS2 (dcs 72)
    };
    struct PhoneBookEntry {
        std::string number;
        int type = 0;
        std::string text;
    };
    struct Sms {
        std::string number;
        std::string body;
    };

    ModemModel();

    std::vector<uint8_t> OnPayload(const std::vector<uint8_t>& payload) override;
    // The network's USSD answer once it is due.
    std::vector<uint8_t> TakeSpontaneous() override;
    void SetPowered(bool on) override;
    std::string StateJson() const override;

    void SetOptions(const Options& options);
    const Options& GetOptions() const { return options; }
    // Free space on drive C: now; the drive's size follows.
    void SetFreeMemory(int64_t bytes);
    // Where AT+GSN takes its IMEI from (the tracker's IMEI parameter).
    void SetImeiSource(std::function<std::string()> source) { imeiSource = std::move(source); }
    // The time source, for tests that step time by hand.
    void SetClock(std::function<Clock::time_point()> now) { clock = std::move(now); }
    // How long the network takes to answer a USSD request.
    void SetUssdDelay(std::chrono::milliseconds delay) { ussdDelay = delay; }
    // What the network answers to every USSD request, in UTF-8.
    void SetUssdAnswer(std::string utf8) { ussdAnswer = std::move(utf8); }

    bool Powered() const { return powered; }
    bool Echo() const { return echo; }
    int64_t FreeMemory() const;
    const std::map<std::string, std::vector<uint8_t>>& Files() const { return files; }
    const std::map<int, PhoneBookEntry>& PhoneBook() const { return phoneBook; }
    const std::vector<Sms>& SentSms() const { return sentSms; }
    const std::vector<std::string>& Calls() const { return calls; }
    bool CallActive() const { return callActive; }
    int HangUps() const { return hangUps; }
    // Every command line the modem ran, in order, without its CR.
    const std::vector<std::string>& CommandLines() const { return commandLines; }
    // The codes of every well-formed USSD request, refused or not, in order.
    const std::vector<std::string>& UssdCodes() const { return ussdCodes; }
    bool UssdPending() const { return ussdPending; }

  private:
    enum class State { kCommand, kFileData, kSmsText };

    // Runs one command line and returns the answer; a prompt leaves `state` waiting for
    // data.
    std::string Run(const std::string& line);
    std::string FsWrite(const std::string& args);
    std::string SendSms(const std::string& args);
    std::string WritePhoneBook(const std::string& args);
    // The network and card queries; false when `ubody` is none of them.
    bool NetworkQuery(const std::string& ubody, std::string& answer) const;
    std::string Ussd(const std::string& args);
    int64_t UsedMemory() const;
    // "C:\NAME" to "NAME"; empty when the path is not on drive C:.
    static std::string FileOnDriveC(const std::string& path);

    Options options;
    int64_t capacity = 0;
    std::function<std::string()> imeiSource;
    std::function<Clock::time_point()> clock;
    // A network answers a USSD request in a second or two.
    std::chrono::milliseconds ussdDelay{1500};
    std::string ussdAnswer = "Баланс: 123,45 р.";

    bool powered = false;
    bool echo = true;
    bool textMode = false;
    std::string charset = "IRA";
    State state = State::kCommand;
    std::string line;
    bool lineTooLong = false;
    bool afterCr = false;
    std::string writeTarget;  // kFileData: the file being written
    uint64_t writeLeft = 0;   // kFileData: bytes still to come
    std::string smsNumber;    // kSmsText
    std::string smsBody;      // kSmsText

    std::map<std::string, std::vector<uint8_t>> files;
    std::map<int, PhoneBookEntry> phoneBook;
    std::vector<Sms> sentSms;
    std::vector<std::string> calls;
    bool callActive = false;
    int hangUps = 0;
    std::vector<std::string> commandLines;

    int registrationReports = 0;  // AT+CREG=<n>
    int ussdPresentation = 0;     // AT+CUSD=<n>: 1 shows the network's answers
    std::vector<std::string> ussdCodes;
    bool ussdPending = false;
    Clock::time_point ussdDue{};
    std::string ussdLine;  // the unsolicited answer, due at ussdDue
};

}  // namespace zort::sim
