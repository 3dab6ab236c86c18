#pragma once
// JPEG files through libjpeg, without Qt: the header, and the pixels into a
// buffer the caller provides. Errors are values: 0, or the decoder's message
// number (what the program shows as "JPEG error #%d").
//
// Bounds on untrusted files: a picture of more than kMaxPixels pixels is
// refused at the header (JERR_IMAGE_TOO_BIG), a progressive file of more than
// kMaxScans scans while decoding (JERR_BAD_SCAN_SCRIPT), and the decoder's own
// working memory is held to kMaxDecoderMemory. Warnings (damaged or cut-off
// image data, which libjpeg repairs as it goes) are not errors: the picture
// shows what the data holds, the rest grey, as lenient viewers do.
#include <cstddef>
#include <cstdint>
#include <span>

namespace kodrix::jpeg {

// 8K UHD (7680 x 4320) still fits; its pixels take 128 MB at 32 bits.
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{32} << 20;
// Real encoders write a dozen scans; each scan is a pass over the whole picture.
inline constexpr int kMaxScans = 256;
inline constexpr long kMaxDecoderMemory = 512L << 20;

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int components = 0;
    bool grayscale = false;
    bool progressive = false;
    bool cmyk = false;  // CMYK or YCCK, converted to RGB when decoded
};

// Reads the header (SOI up to the first scan). 0 or the message number.
int readHeader(std::span<const std::uint8_t> bytes, Header& out) noexcept;

// What decode writes: 32-bit 0xFFRRGGBB words in the machine's byte order
// (QImage::Format_RGB32), or one byte per pixel for grey-scale pictures.
enum class PixelFormat { Rgb32, Grayscale8 };
PixelFormat pixelFormatFor(const Header& header) noexcept;
inline std::size_t bytesPerPixel(PixelFormat f) noexcept { return f == PixelFormat::Rgb32 ? 4 : 1; }

struct Target {
    std::uint8_t* pixels = nullptr;  // height rows of stride bytes
    std::size_t stride = 0;
    std::uint32_t width = 0;         // must be the header's
    std::uint32_t height = 0;
    PixelFormat format = PixelFormat::Rgb32;
};

// Decodes the whole picture into target. 0 or the message number; after an
// error the target's content is unspecified.
int decode(std::span<const std::uint8_t> bytes, const Target& target) noexcept;

}  // namespace kodrix::jpeg
