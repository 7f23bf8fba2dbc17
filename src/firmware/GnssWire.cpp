#include "firmware/GnssWire.h"

#include <utility>

namespace zort {

void SwapWordBytes(uint8_t* bytes, size_t length) {
    for (size_t i = 0; i + 1 < length; i += 2) std::swap(bytes[i], bytes[i + 1]);
}

uint16_t BlockChecksum(const uint8_t* data, size_t length) {
    uint32_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum += data[i];
    return static_cast<uint16_t>(sum);
}

uint16_t LoaderChecksum(const uint8_t* sent, size_t length) {
    uint16_t x = 0;
    for (size_t i = 0; i < length; i += 2) {
        const uint16_t low = i + 1 < length ? sent[i + 1] : 0;
        x ^= static_cast<uint16_t>(sent[i] << 8 | low);
    }
    return x;
}

std::array<uint8_t, 4> BigEndian32(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

std::array<uint8_t, 2> BigEndian16(uint16_t value) {
    return {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

uint32_t FirmwareEndAddress(uint64_t length) {
    return static_cast<uint32_t>(length - 1);
}

}  // namespace zort
