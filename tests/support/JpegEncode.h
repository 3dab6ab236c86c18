#pragma once
// JPEG files for tests, written with libjpeg itself: baseline or progressive,
// colour, grey-scale or Adobe-style CMYK (inks stored inverted, K none).
#include <QImage>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace kodrix::test {

enum class JpegSpace { Colour, Grey, Cmyk };

inline std::vector<std::uint8_t> encodeJpeg(const QImage& source, JpegSpace space = JpegSpace::Colour,
                                            bool progressive = false, int quality = 90) {
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);  // a test's own image never fails
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = space == JpegSpace::Grey ? 1 : space == JpegSpace::Cmyk ? 4 : 3;
    cinfo.in_color_space = space == JpegSpace::Grey ? JCS_GRAYSCALE : space == JpegSpace::Cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);  // CMYK gets an Adobe marker
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row(std::size_t(rgb.width()) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* in = rgb.constScanLine(static_cast<int>(cinfo.next_scanline));
        for (int x = 0; x < rgb.width(); ++x) {
            const uchar r = in[3 * x], g = in[3 * x + 1], b = in[3 * x + 2];
            switch (space) {
            case JpegSpace::Colour: row[3 * x] = r; row[3 * x + 1] = g; row[3 * x + 2] = b; break;
            case JpegSpace::Grey: row[x] = static_cast<std::uint8_t>((r * 299 + g * 587 + b * 114) / 1000); break;
            case JpegSpace::Cmyk:  // inverted inks: stored value = 255 - ink, ink C = 255 - R
                row[4 * x] = r; row[4 * x + 1] = g; row[4 * x + 2] = b; row[4 * x + 3] = 255; break;
            }
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> bytes(out, out + outSize);
    std::free(out);
    return bytes;
}

// A picture of one colour.
inline std::vector<std::uint8_t> solidJpeg(int width, int height, QRgb colour, JpegSpace space = JpegSpace::Colour,
                                           bool progressive = false) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return encodeJpeg(image, space, progressive);
}

}  // namespace kodrix::test
