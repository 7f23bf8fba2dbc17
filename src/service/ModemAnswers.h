#pragma once
// Reading the modem's answers. The tracker hands the modem's output on raw, so an answer
// is whatever arrived in the receive buffer: read as text up to the first zero byte and
// never past the bytes that were copied out. Pure functions, no I/O.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zort {

// The received bytes as text: up to the first zero byte, or all `size` bytes when there
// is none. A missing terminator never runs past `size`.
std::string_view AnswerText(const uint8_t* bytes, size_t size);

bool AnswerContains(std::string_view answer, std::string_view what);

// The modem has finished answering: a final result code ("OK" or an "ERROR" of any
// kind) is there.
bool HasFinalResult(std::string_view answer);

// The modem waits for data: its prompt ">" is there.
bool HasPrompt(std::string_view answer);

// Free space of drive C: from an answer holding "\r\n" and "+FSMEM: C:<n>bytes". The
// number must be followed by something, so a number still being received is not taken
// for the whole; nothing when there is no usable figure.
std::optional<int64_t> ParseFreeMemory(std::string_view answer);

// The IMEI in an answer to "AT+GSN": the 15 characters that start at the first decimal
// digit, when they are all digits and no 16th digit follows.
std::optional<std::string> ParseImei(std::string_view answer);

}  // namespace zort
