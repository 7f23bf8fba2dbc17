// A settings file of arbitrary content: loading never crashes, and whatever loads
// either packs again into the same record or is refused with a reason.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "settings/ConfigRecord.h"
#include "settings/SettingsBinding.h"
#include "settings/SummaryTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zort::ConfigRecord record;
    const zort::FileResult loaded = zort::ConfigRecord::FromBytes(std::span(data, size), record);
    if (!loaded) {
        if (loaded.error.empty()) std::abort();
        return 0;
    }
    zort::SettingsImage image;
    record.ToImage(image);
    // What a file carries must be safe to show.
    zort::SettingsPages pages;
    (void)zort::ImageToControls(image, pages);
    zort::SummaryTable table;
    zort::RefreshSummaryTable(image, table);
    zort::ConfigRecord again;
    const zort::FileResult packed = zort::ConfigRecord::FromImage(image, again);
    if (!packed && packed.error.empty()) std::abort();
    return 0;
}
