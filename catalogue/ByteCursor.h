#pragma once
// One checked cursor for every read of untrusted bytes. Every read either
// succeeds completely or leaves the cursor failed; range checks never
// overflow (compare the length with what is left, never add to the offset).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kodrix {

// True when [off, off + len) lies inside a buffer of `size` bytes.
constexpr bool rangeFits(std::uint64_t off, std::uint64_t len, std::uint64_t size) noexcept {
    return off <= size && len <= size - off;
}

class ByteCursor {
public:
    ByteCursor() = default;
    explicit ByteCursor(std::span<const std::uint8_t> bytes, std::size_t pos = 0) noexcept
        : bytes_(bytes), pos_(pos), ok_(pos <= bytes.size()) {}

    bool ok() const noexcept { return ok_; }
    std::size_t pos() const noexcept { return pos_; }
    std::size_t size() const noexcept { return bytes_.size(); }
    std::size_t remaining() const noexcept { return ok_ ? bytes_.size() - pos_ : 0; }

    bool seek(std::uint64_t pos) noexcept {
        if (pos > bytes_.size()) return fail();
        pos_ = static_cast<std::size_t>(pos);
        return true;
    }
    bool skip(std::uint64_t n) noexcept {
        if (!ok_ || n > bytes_.size() - pos_) return fail();
        pos_ += static_cast<std::size_t>(n);
        return true;
    }
    std::uint8_t u8() noexcept { return static_cast<std::uint8_t>(read(1)); }
    std::uint16_t u16() noexcept { return static_cast<std::uint16_t>(read(2)); }
    std::uint32_t u32() noexcept { return static_cast<std::uint32_t>(read(4)); }

    // A view of the next n bytes (empty and failed when they are not all there).
    std::span<const std::uint8_t> bytes(std::uint64_t n) noexcept {
        if (!ok_ || n > bytes_.size() - pos_) { fail(); return {}; }
        auto out = bytes_.subspan(pos_, static_cast<std::size_t>(n));
        pos_ += static_cast<std::size_t>(n);
        return out;
    }

private:
    bool fail() noexcept { ok_ = false; return false; }
    std::uint64_t read(unsigned n) noexcept {
        if (!ok_ || n > bytes_.size() - pos_) { fail(); return 0; }
        std::uint64_t v = 0;
        for (unsigned i = 0; i < n; ++i) v |= std::uint64_t(bytes_[pos_ + i]) << (8 * i);
        pos_ += n;
        return v;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Little-endian reads at a fixed offset; the caller has checked the range.
inline std::uint16_t le16(const std::uint8_t* p) noexcept { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t le32(const std::uint8_t* p) noexcept {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

}  // namespace kodrix
