#include "JpegDecoder.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports errors through a callback that must not return. Ours
// longjmps back into the one function that called the library; those
// functions hold only plain C data, so no destructor is ever skipped, and
// whatever they change after setjmp and read after the jump is volatile.

namespace kodrix::jpeg {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;  // first, so libjpeg's pointer is ours
    std::jmp_buf jump;
};

extern "C" {

void failByJump(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }

// Nothing is printed: the caller turns the message number into the
// program's own report.
void printNothing(j_common_ptr) {}

// Warnings are counted and otherwise ignored (see the header); trace
// messages are dropped.
void countWarnings(j_common_ptr cinfo, int level) {
    if (level < 0) ++cinfo->err->num_warnings;
}

void limitScans(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) ERREXIT1(cinfo, JERR_BAD_SCAN_SCRIPT, d->input_scan_number);
}

}  // extern "C"

void installErrorManager(jpeg_decompress_struct& cinfo, ErrorManager& err) {
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = failByJump;
    err.pub.output_message = printNothing;
    err.pub.emit_message = countWarnings;
}

// Fills out from a header libjpeg has read; JERR_IMAGE_TOO_BIG for a picture
// beyond the pixel limit.
int describe(const jpeg_decompress_struct& cinfo, Header& out) {
    out.width = cinfo.image_width;
    out.height = cinfo.image_height;
    out.components = cinfo.num_components;
    out.grayscale = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    out.progressive = cinfo.progressive_mode != 0;
    out.cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (std::uint64_t(out.width) * out.height > kMaxPixels) return JERR_IMAGE_TOO_BIG;
    return 0;
}

// 0xFFRRGGBB as the machine stores a 32-bit word.
constexpr J_COLOR_SPACE kRgb32Space = std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// One row of CMYK samples to Rgb32. Files with an Adobe marker store the
// inks inverted (0 = full ink), as Adobe's applications write them.
void cmykRowToRgb32(const JSAMPLE* in, std::uint8_t* out, std::uint32_t width, bool inverted) {
    for (std::uint32_t x = 0; x < width; ++x, in += 4, out += 4) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        const std::uint32_t word =
            0xFF000000u | ((c * k + 127) / 255) << 16 | ((m * k + 127) / 255) << 8 | ((y * k + 127) / 255);
        std::memcpy(out, &word, 4);
    }
}

}  // namespace

PixelFormat pixelFormatFor(const Header& header) noexcept {
    return header.grayscale ? PixelFormat::Grayscale8 : PixelFormat::Rgb32;
}

int readHeader(std::span<const std::uint8_t> bytes, Header& out) noexcept {
    jpeg_decompress_struct cinfo{};  // zeroed, so destroying it before creation is harmless
    ErrorManager err;
    installErrorManager(cinfo, err);
    if (setjmp(err.jump)) {
        const int code = err.pub.msg_code;
        jpeg_destroy_decompress(&cinfo);
        return code;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    Header h;
    const int code = describe(cinfo, h);
    jpeg_destroy_decompress(&cinfo);
    if (code == 0) out = h;
    return code;
}

int decode(std::span<const std::uint8_t> bytes, const Target& target) noexcept {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    jpeg_progress_mgr progress{};
    installErrorManager(cinfo, err);
    if (setjmp(err.jump)) {
        const int code = err.pub.msg_code;
        jpeg_destroy_decompress(&cinfo);
        return code;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    Header h;
    if (const int code = describe(cinfo, h)) ERREXIT1(&cinfo, code, 0);
    if (h.width != target.width || h.height != target.height || pixelFormatFor(h) != target.format ||
        target.stride < std::size_t(target.width) * bytesPerPixel(target.format))
        ERREXIT(&cinfo, JERR_BUFFER_SIZE);

    // Straight into the caller's rows in its own layout; CMYK goes through
    // one row of the decoder's memory.
    if (target.format == PixelFormat::Grayscale8) cinfo.out_color_space = JCS_GRAYSCALE;
    else if (h.cmyk) cinfo.out_color_space = JCS_CMYK;
    else cinfo.out_color_space = kRgb32Space;
    progress.progress_monitor = limitScans;
    cinfo.progress = &progress;
    jpeg_start_decompress(&cinfo);

    if (cinfo.out_color_space == JCS_CMYK) {
        JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                    cinfo.output_width * 4, 1);
        while (cinfo.output_scanline < cinfo.output_height) {
            std::uint8_t* out = target.pixels + std::size_t(cinfo.output_scanline) * target.stride;
            if (jpeg_read_scanlines(&cinfo, row, 1) != 1) break;
            cmykRowToRgb32(row[0], out, cinfo.output_width, cinfo.saw_Adobe_marker != 0);
        }
    } else {
        JSAMPROW rows[16];
        while (cinfo.output_scanline < cinfo.output_height) {
            const JDIMENSION first = cinfo.output_scanline;
            const JDIMENSION n = std::min<JDIMENSION>(16, cinfo.output_height - first);
            for (JDIMENSION i = 0; i < n; ++i) rows[i] = target.pixels + std::size_t(first + i) * target.stride;
            if (jpeg_read_scanlines(&cinfo, rows, n) == 0) break;
        }
    }
    // The memory source never suspends; a decoder that stops early anyway
    // leaves rows unwritten, which must not pass for a picture.
    if (cinfo.output_scanline < cinfo.output_height) ERREXIT(&cinfo, JERR_TOO_LITTLE_DATA);
    // Every row is there; what follows the last scan (normally just EOI) is
    // not read, so damage after the picture costs nothing.
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

}  // namespace kodrix::jpeg
