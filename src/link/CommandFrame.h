#pragma once
// The tracker's request frame: command (1 byte), id (32-bit LE), length (32-bit LE),
// then `length` payload bytes. No marker, no checksum: the device delimits a frame by
// its length field. Replies are raw runs whose length the requester knows.

#include <cstddef>
#include <cstdint>

namespace zort {

enum CommandCode : uint8_t {
    kCmdReadParameter = 1,
    kCmdWriteParameter = 2,
    kCmdStartModem = 3,
    kCmdStartGnss = 4,
    kCmdStopModem = 5,
    kCmdStopGnss = 6,
    kCmdSetGnssBaud = 7,
    kCmdModemPassThrough = 8,
    kCmdGnssPassThrough = 9,
    kCmdPrepareFirmware = 10,
    kCmdWriteFirmwareBlock = 11,
};

constexpr size_t kFrameHeaderSize = 9;
constexpr size_t kFrameBufferSize = 2505;                                 // the channel's build area
constexpr size_t kMaxFramePayload = kFrameBufferSize - kFrameHeaderSize;  // 2496

struct FrameHeader {
    uint8_t command = 0;
    uint32_t id = 0;
    uint32_t length = 0;
};

// Writes header and payload into `out` (capacity `capacity`); returns the frame size,
// or 0 when the payload does not fit (nothing is written then).
size_t EncodeFrame(uint8_t* out, size_t capacity, uint8_t command, uint32_t id, uint32_t length,
                   const uint8_t* payload);

// Reads a header from at least kFrameHeaderSize bytes.
FrameHeader DecodeFrameHeader(const uint8_t* bytes);

void StoreLE32(uint8_t* out, uint32_t value);
uint32_t LoadLE32(const uint8_t* in);

}  // namespace zort
