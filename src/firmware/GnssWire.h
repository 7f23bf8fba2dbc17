#pragma once
// What the GNSS receiver's boot ROM and its loader expect on the wire, as pure
// functions: the loader goes out as 16-bit words, high byte first, although the file
// stores them low byte first; numbers go out most significant byte first; each
// firmware block carries the 16-bit sum of its bytes.

#include <array>
#include <cstddef>
#include <cstdint>

namespace zort {

// Swaps the bytes of every 16-bit word in place: 11 22 33 44 becomes 22 11 44 33. A
// trailing odd byte stays where it is.
void SwapWordBytes(uint8_t* bytes, size_t length);

// The sum of the bytes modulo 65536, as the loader checks each firmware block.
uint16_t BlockChecksum(const uint8_t* data, size_t length);

// The XOR of the 16-bit words as sent (high byte first), as the boot ROM sums the
// loader it holds. A trailing odd byte counts as the high byte of a last word.
uint16_t LoaderChecksum(const uint8_t* sent, size_t length);

std::array<uint8_t, 4> BigEndian32(uint32_t value);
std::array<uint8_t, 2> BigEndian16(uint16_t value);

// The address of the last firmware byte, sent as the end of the range to erase; the
// range starts at 0. `length` must be at least 1.
uint32_t FirmwareEndAddress(uint64_t length);

}  // namespace zort
