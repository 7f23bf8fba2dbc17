// The simulator's frame parser on an arbitrary stream cut into arbitrary pieces: never
// crashes, never holds more than one incomplete frame, and yields the same frames
// whatever the pieces.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sim/FrameParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t piece = 1 + data[0] % 64;
    const uint8_t* stream = data + 1;
    const size_t length = size - 1;

    zort::sim::FrameParser whole;
    const auto expected = whole.Feed(stream, length);

    zort::sim::FrameParser pieces;
    std::vector<zort::sim::ReceivedFrame> got;
    for (size_t i = 0; i < length; i += piece) {
        auto frames = pieces.Feed(stream + i, std::min(piece, length - i));
        got.insert(got.end(), frames.begin(), frames.end());
        if (pieces.Pending() > zort::kFrameBufferSize) std::abort();
    }
    if (got.size() != expected.size()) std::abort();
    for (size_t i = 0; i < got.size(); ++i) {
        if (got[i].payload != expected[i].payload || got[i].header.id != expected[i].header.id) std::abort();
        if (got[i].payload.size() != got[i].header.length) std::abort();
    }
    return 0;
}
