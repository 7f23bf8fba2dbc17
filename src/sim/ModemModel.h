#pragma once
// The tracker's GSM modem as it answers AT commands passed through command 8: result
// codes as lines ("\r\nOK\r\n", "\r\nERROR\r\n"), echo until "ATE0", a file system on
// drive C: (AT+FSMEM, AT+FSDEL, AT+FSCREATE, AT+FSWRITE with its "> " prompt), the SIM
// phone book (AT+CPBW), the IMEI (AT+GSN), text-mode SMS (AT+CMGF, AT+CSCS, AT+CMGS with
// its prompt and Ctrl-Z) and voice calls (ATD...;, ATH0). Bytes in, bytes out; no time.
//
// A command runs when its CR arrives. After a prompt the rest of that payload is
// dropped (the CR's LF) and the data comes in the following payloads. A modem that is
// switched off answers nothing and does nothing; switching it on brings back the
// defaults of a fresh start (echo on, PDU mode), while files and phone book stay.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim/TrackerModel.h"

namespace zort::sim {

class ModemModel : public PassThroughPeer {
  public:
    struct Options {
        bool silent = false;          // answers nothing at all, as a modem that hangs
        bool errorToAll = false;      // "ERROR" to every command
        bool noPrompt = false;        // "ERROR" where the "> " of a file write or an SMS would come
        int64_t freeBytes = 1048576;  // free space on drive C: while it holds no files
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
    void SetPowered(bool on) override;
    std::string StateJson() const override;

    void SetOptions(const Options& options);
    const Options& GetOptions() const { return options; }
    // Free space on drive C: now; the drive's size follows.
    void SetFreeMemory(int64_t bytes);
    // Where AT+GSN takes its IMEI from (the tracker's IMEI parameter).
    void SetImeiSource(std::function<std::string()> source) { imeiSource = std::move(source); }

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

  private:
    enum class State { kCommand, kFileData, kSmsText };

    // Runs one command line and returns the answer; a prompt leaves `state` waiting for
    // data.
    std::string Run(const std::string& line);
    std::string FsWrite(const std::string& args);
    std::string SendSms(const std::string& args);
    std::string WritePhoneBook(const std::string& args);
    int64_t UsedMemory() const;
    // "C:\NAME" to "NAME"; empty when the path is not on drive C:.
    static std::string FileOnDriveC(const std::string& path);

    Options options;
    int64_t capacity = 0;
    std::function<std::string()> imeiSource;

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
};

}  // namespace zort::sim
