#include "service/StreamLines.h"

namespace zort {

std::string StreamLines::Add(std::string_view piece) {
    std::string lines;
    for (const char c : piece) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            if (!partial.empty() && !joinedMidway) lines += partial + '\n';
            partial.clear();
            joinedMidway = false;
            continue;
        }
        // Carriage returns only pair the line feeds; other control bytes are no text.
        if (byte < 0x20 && c != '\t') continue;
        if (byte == 0x7F) continue;
        // Every sentence starts with '$': one that begins before the last one ended means
        // that one was cut off.
        if (c == '$') {
            partial.clear();
            joinedMidway = false;
        }
        if (joinedMidway) continue;
        if (partial.size() >= kLongestLine) {
            partial.clear();
            joinedMidway = true;
            continue;
        }
        partial += c;
    }
    return lines;
}

}  // namespace zort
