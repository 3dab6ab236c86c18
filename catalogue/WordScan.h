#pragma once
// Text scanned eight bytes at a time, as one 64-bit word.
#include <cstdint>

namespace kodrix {

// The high bit of each byte of word that equals c, and no other bit (exact:
// no carry runs from one byte into the next).
inline std::uint64_t equalBytes(std::uint64_t word, unsigned char c) {
    constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7Full, kHighs = ~kLows;
    const std::uint64_t x = word ^ (0x0101010101010101ull * c);  // zero bytes where equal
    return ~(((x & kLows) + kLows) | x) & kHighs;
}

}  // namespace kodrix
