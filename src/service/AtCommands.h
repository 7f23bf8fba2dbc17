#pragma once
// The AT texts the service commands send to the tracker's modem, and the checks that
// keep a phone number or a file name from breaking them. Pure functions.
//
// A command is assembled in a zero-terminated working area of 300 bytes, so it is at
// most 299 characters; a value that would make it longer, or that holds a byte the
// modem reads as the end of a line, of a quoted text or of a message, is refused before
// anything is sent.

#include <cstddef>
#include <string>
#include <string_view>

namespace zort {

inline constexpr size_t kAtCommandLimit = 299;
// The modem's own time-out for receiving the data of one AT+FSWRITE, in ms.
inline constexpr int kFsWriteTimeoutMs = 1000;

inline constexpr const char* kAtAttention = "AT\r\n";
inline constexpr const char* kAtEchoOff = "ATE0\r\n";
inline constexpr const char* kAtFreeMemory = "AT+FSMEM\r\n";
inline constexpr const char* kAtCreateTestEntry = "AT+CPBW=1,\"00000\",145,\"ZORT TEST\"\r\n";
inline constexpr const char* kAtBlankTestEntry = "AT+CPBW=1,\"00000\",145,\"\"\r\n";
inline constexpr const char* kAtImei = "AT+GSN\r\n";
inline constexpr const char* kAtTextMode = "AT+CMGF=1\r\n";
inline constexpr const char* kAtGsmCharset = "AT+CSCS=\"GSM\"\r\n";
inline constexpr const char* kAtHangUp = "ATH0\r\n";
inline constexpr char kCtrlZ = 0x1A;  // ends the text of a message

std::string AtFsDelete(std::string_view name);
std::string AtFsCreate(std::string_view name);
std::string AtFsWrite(std::string_view name, size_t chunk);
std::string AtSendSms(std::string_view phone);
std::string AtDial(std::string_view phone);

// The name a file gets on the modem: the file name part of its path.
std::string ModemFileName(const std::string& path);

// Empty when `phone` (UTF-8, not empty) can go into "AT+CMGS" and "ATD" as typed;
// otherwise the log line that says why it cannot. Blanks, "+" and other printable
// characters pass.
std::string PhoneNumberProblem(std::string_view phone);

// Empty when `name` can be a file name on the modem's drive C: in every upload command;
// otherwise the log line that says why not. The drive knows only printable ASCII, and a
// comma or a backslash would change what the command means.
std::string ModemFileNameProblem(std::string_view name);

// `text` for a log line: control characters as \xNN, cut after `limit` characters.
std::string Printable(std::string_view text, size_t limit = 60);

}  // namespace zort
