#pragma once
// Just enough JSON output for the simulator's state dump; the simulator depends on
// nothing outside the link layer.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zort::sim {

inline std::string JsonQuote(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", u);
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

inline std::string HexBytes(const uint8_t* data, size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 15];
    }
    return out;
}

inline std::string HexId(uint32_t id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", id);
    return buf;
}

}  // namespace zort::sim
