#include "link/CommandFrame.h"

#include <cstring>

namespace zort {

void StoreLE32(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}

uint32_t LoadLE32(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

size_t EncodeFrame(uint8_t* out, size_t capacity, uint8_t command, uint32_t id, uint32_t length,
                   const uint8_t* payload) {
    if (capacity < kFrameHeaderSize || length > capacity - kFrameHeaderSize) return 0;
    if (length > 0 && payload == nullptr) return 0;
    out[0] = command;
    StoreLE32(out + 1, id);
    StoreLE32(out + 5, length);
    if (length > 0) std::memcpy(out + kFrameHeaderSize, payload, length);
    return kFrameHeaderSize + length;
}

FrameHeader DecodeFrameHeader(const uint8_t* bytes) {
    return FrameHeader{bytes[0], LoadLE32(bytes + 1), LoadLE32(bytes + 5)};
}

}  // namespace zort
