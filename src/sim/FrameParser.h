#pragma once
// Cuts the byte stream a client writes into command frames by their length field.
// Bytes may arrive in any pieces; a frame is complete once 9 + length bytes are in.

#include <cstdint>
#include <vector>

#include "link/CommandFrame.h"

namespace zort::sim {

struct ReceivedFrame {
    FrameHeader header;
    std::vector<uint8_t> payload;
    size_t WireSize() const { return kFrameHeaderSize + payload.size(); }
};

class FrameParser {
  public:
    // Appends `length` bytes and returns the frames they complete, in order.
    std::vector<ReceivedFrame> Feed(const uint8_t* data, size_t length);

    // Bytes skipped because they could not start a frame (unknown command code or a
    // length no frame can have); the parser moves on one byte at a time.
    uint64_t DiscardedBytes() const { return discarded; }
    size_t Pending() const { return pending.size(); }

  private:
    std::vector<uint8_t> pending;
    uint64_t discarded = 0;
};

}  // namespace zort::sim
