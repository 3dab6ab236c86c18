#pragma once
// Little-endian writing, the writers' counterpart of ByteCursor: the resource
// module, icon library and icon file writers build their bytes with it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kodrix {

// Overwrites 2 or 4 bytes at off; [off, off + 2 or 4) must lie inside b.
inline void put16(std::vector<std::uint8_t>& b, std::size_t off, std::uint16_t v) {
    b.at(off + 1);  // bounds: a writer's own offsets, so a slip is a bug, not input
    b[off] = static_cast<std::uint8_t>(v);
    b[off + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(std::vector<std::uint8_t>& b, std::size_t off, std::uint32_t v) {
    put16(b, off, static_cast<std::uint16_t>(v));
    put16(b, off + 2, static_cast<std::uint16_t>(v >> 16));
}

class ByteWriter {
public:
    std::vector<std::uint8_t> bytes;

    std::size_t size() const { return bytes.size(); }
    void u8(std::uint8_t v) { bytes.push_back(v); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
    void append(std::span<const std::uint8_t> data) { bytes.insert(bytes.end(), data.begin(), data.end()); }
    void append(std::string_view data) { bytes.insert(bytes.end(), data.begin(), data.end()); }
    // Pads with zeros up to the next multiple of unit.
    void alignTo(std::size_t unit) { zeros((unit - size() % unit) % unit); }
};

}  // namespace kodrix
