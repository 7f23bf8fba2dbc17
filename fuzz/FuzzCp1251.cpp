// The Windows-1251 codec on arbitrary bytes: never crashes, and every byte text
// survives the trip to UTF-8 and back (0x98, undefined in the code page, becomes '?').

#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/Cp1251.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    bool lossless = false;
    const std::string back = zort::Utf8ToCp1251(zort::Cp1251ToUtf8(bytes), &lossless);
    if (back.size() != bytes.size()) std::abort();
    for (size_t i = 0; i < size; ++i) {
        const char expected = bytes[i] == '\x98' ? '?' : bytes[i];
        if (back[i] != expected) std::abort();
    }
    // The same bytes taken as (mostly broken) UTF-8.
    const std::string narrowed = zort::Utf8ToCp1251(bytes, &lossless);
    if (narrowed.size() > size) std::abort();
    (void)zort::Utf8Length(bytes);
    return 0;
}
