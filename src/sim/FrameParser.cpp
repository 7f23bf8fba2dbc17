#include "sim/FrameParser.h"

namespace zort::sim {

std::vector<ReceivedFrame> FrameParser::Feed(const uint8_t* data, size_t length) {
    pending.insert(pending.end(), data, data + length);
    std::vector<ReceivedFrame> frames;
    size_t pos = 0;
    while (pending.size() - pos >= kFrameHeaderSize) {
        const FrameHeader header = DecodeFrameHeader(pending.data() + pos);
        const bool plausible = header.command >= kCmdReadParameter &&
                               header.command <= kCmdWriteFirmwareBlock && header.length <= kMaxFramePayload;
        if (!plausible) {
            ++pos;
            ++discarded;
            continue;
        }
        const size_t size = kFrameHeaderSize + header.length;
        if (pending.size() - pos < size) break;
        ReceivedFrame frame;
        frame.header = header;
        frame.payload.assign(pending.begin() + static_cast<long>(pos + kFrameHeaderSize),
                             pending.begin() + static_cast<long>(pos + size));
        frames.push_back(std::move(frame));
        pos += size;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<long>(pos));
    return frames;
}

}  // namespace zort::sim
