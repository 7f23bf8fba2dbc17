#include "app/ReplyLog.h"

#include "link/Cp1251.h"

namespace zort {

std::string FormatLogReply(std::string_view reply) {
    std::string out;
    for (const char byte : reply.substr(0, kLogReplyBytes)) {
        if (byte == '\0') {
            out += "0x00 ";
        } else {
            out += Cp1251ToUtf8(std::string_view(&byte, 1));
            out += ' ';
        }
    }
    return out;
}

}  // namespace zort
