#pragma once
// The text the reply log window shows for a device reply: a readable dump of the start
// of the receive buffer, kept free of widgets so that it can be checked on its own.

#include <string>
#include <string_view>

namespace zort {

// How many bytes of a reply the log shows.
inline constexpr size_t kLogReplyBytes = 32;

// The line added after every dump; a memo splits it into three empty lines, which keeps
// consecutive replies apart.
inline constexpr std::string_view kLogReplySeparator = "\r\n\r\n";

// Describes the first 32 bytes of `reply` (fewer if it is shorter): a zero byte as
// "0x00 ", any other byte as its Windows-1251 character followed by one blank. The
// result is UTF-8.
std::string FormatLogReply(std::string_view reply);

}  // namespace zort
