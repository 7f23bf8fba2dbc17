// The relay's text of an arbitrary stream: zero bytes dropped, every other byte kept
// (as one Windows-1251 character each).

#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/Cp1251.h"
#include "service/ShowNMEAThread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = zort::StreamText(data, size);
    size_t nonZero = 0;
    for (size_t i = 0; i < size; ++i) nonZero += data[i] != 0;
    if (zort::Utf8Length(text) != nonZero) std::abort();
    if (text.find('\0') != std::string::npos) std::abort();
    return 0;
}
