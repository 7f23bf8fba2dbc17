// The JSON settings document of the command line on arbitrary text: never crashes, a
// refusal always says why, and an accepted document writes out and reads back to the
// same image.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/SettingsDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zort::SettingsImage image;
    const zort::cli::Outcome outcome = zort::cli::ApplySettingsJson(text, "fuzz", image);
    if (!outcome.Ok()) {
        if (outcome.message.empty()) std::abort();
        return 0;
    }
    const std::string written = zort::cli::SettingsToJson(image);
    zort::SettingsImage again;
    if (!zort::cli::ApplySettingsJson(written, "fuzz", again).Ok()) std::abort();
    for (int s = 0; s < zort::kSlotCount; ++s) {
        if (again.Text(s) != image.Text(s)) std::abort();
    }
    return 0;
}
