#include "platform/jpeg/JpegPicture.h"

#include "catalogue/Error.h"
#include "support/JpegEncode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include <jerror.h>

using namespace kodrix;
using test::JpegSpace;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string jpegErrorText(int code) { return "JPEG error #" + std::to_string(code); }

// The error load() throws, or "" when it loads.
std::string loadError(JpegPicture& p, const Bytes& bytes) {
    try {
        p.load(bytes);
        return "";
    } catch (const Error& e) {
        return e.message();
    }
}

// Offset of the first marker FF code, or npos.
std::size_t findMarker(const Bytes& b, std::uint8_t code, std::size_t from = 0) {
    for (std::size_t i = from; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == code) return i;
    return std::string::npos;
}

bool near(QRgb a, QRgb b, int tolerance = 6) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace

TEST(JpegPicture, HeaderIsReadAtLoadAndPixelsAtFirstUse) {
    const QRgb colour = qRgb(200, 60, 30);
    const int grey = (200 * 299 + 60 * 587 + 30 * 114) / 1000;
    struct Case {
        const char* what;
        JpegSpace space;
        bool progressive;
        QImage::Format format;
        QRgb expected;
    };
    const Case cases[] = {
        {"baseline", JpegSpace::Colour, false, QImage::Format_RGB32, colour},
        {"progressive", JpegSpace::Colour, true, QImage::Format_RGB32, colour},
        {"grey", JpegSpace::Grey, false, QImage::Format_Grayscale8, qRgb(grey, grey, grey)},
        {"grey progressive", JpegSpace::Grey, true, QImage::Format_Grayscale8, qRgb(grey, grey, grey)},
        {"Adobe CMYK", JpegSpace::Cmyk, false, QImage::Format_RGB32, colour},
    };
    for (const auto& c : cases) {
        JpegPicture p;
        EXPECT_TRUE(p.isEmpty());
        p.load(test::solidJpeg(33, 17, colour, c.space, c.progressive));
        EXPECT_FALSE(p.isEmpty()) << c.what;
        EXPECT_EQ(p.size(), QSize(33, 17)) << c.what;
        EXPECT_EQ(p.isGrayscale(), c.space == JpegSpace::Grey) << c.what;
        EXPECT_EQ(p.isProgressive(), c.progressive) << c.what;
        EXPECT_FALSE(p.isDecoded()) << c.what;

        const QImage& image = p.image();
        ASSERT_FALSE(image.isNull()) << c.what;
        EXPECT_EQ(image.format(), c.format) << c.what;
        EXPECT_EQ(image.size(), QSize(33, 17));
        EXPECT_TRUE(near(image.pixel(16, 8), c.expected)) << c.what << ' ' << std::hex << image.pixel(16, 8);
        if (c.format == QImage::Format_RGB32) {  // Format_RGB32 wants 0xFF in the unused byte
            EXPECT_EQ(reinterpret_cast<const QRgb*>(image.constScanLine(16))[32] >> 24, 0xFFu) << c.what;
        }
        // Decoded once, then kept.
        EXPECT_EQ(p.image().cacheKey(), image.cacheKey()) << c.what;
        EXPECT_FALSE(p.takeDecodeError()) << c.what;
    }
}

TEST(JpegPicture, RefusedHeaderGivesTheDecodersMessageNumber) {
    const Bytes good = test::solidJpeg(16, 16, qRgb(1, 2, 3));
    const std::size_t sof = findMarker(good, 0xC0);
    const std::size_t sos = findMarker(good, 0xDA);
    ASSERT_NE(sof, std::string::npos);
    Bytes huge = good;  // 8000 x 8000: beyond the pixel limit, within libjpeg's own
    huge[sof + 5] = 8000 >> 8, huge[sof + 6] = 8000 & 0xFF, huge[sof + 7] = 8000 >> 8, huge[sof + 8] = 8000 & 0xFF;
    Bytes twelveBit = good;
    twelveBit[sof + 4] = 12;
    struct Case {
        const char* what;
        Bytes bytes;
        int code;
    };
    const Case cases[] = {
        {"empty", {}, JERR_INPUT_EMPTY},
        {"text", {'h', 'e', 'l', 'l', 'o'}, JERR_NO_SOI},
        {"SOI only", {0xFF, 0xD8}, JERR_NO_IMAGE},
        {"cut before SOF", Bytes(good.begin(), good.begin() + static_cast<long>(sof)), JERR_NO_IMAGE},
        {"cut before SOS", Bytes(good.begin(), good.begin() + static_cast<long>(sos)), JERR_SOF_NO_SOS},
        {"12-bit", twelveBit, JERR_BAD_PRECISION},
        {"8000 x 8000", huge, JERR_IMAGE_TOO_BIG},
    };
    for (const auto& c : cases) {
        JpegPicture p;
        p.load(good);
        EXPECT_EQ(loadError(p, c.bytes), jpegErrorText(c.code)) << c.what;
        EXPECT_TRUE(p.isEmpty()) << c.what;
        EXPECT_TRUE(p.image().isNull()) << c.what;
        EXPECT_FALSE(p.takeDecodeError()) << c.what;
    }
}

TEST(JpegPicture, DamageFoundWhileDecodingIsReportedOnce) {
    // Without its quantisation table the header still reads; the decoder
    // misses the table only when the scan starts.
    Bytes bytes = test::solidJpeg(40, 30, qRgb(0, 128, 255));
    for (std::size_t at = findMarker(bytes, 0xDB); at != std::string::npos; at = findMarker(bytes, 0xDB, at))
        bytes[at + 1] = 0xFE;  // DQT becomes a comment
    JpegPicture p;
    ASSERT_EQ(loadError(p, bytes), "");
    EXPECT_EQ(p.size(), QSize(40, 30));
    EXPECT_TRUE(p.image().isNull());
    EXPECT_TRUE(p.decodeFailed());
    EXPECT_EQ(p.takeDecodeError(), jpegErrorText(JERR_NO_QUANT_TABLE));
    EXPECT_EQ(p.takeDecodeError(), std::nullopt);
    EXPECT_TRUE(p.image().isNull());
    EXPECT_EQ(p.takeDecodeError(), std::nullopt);
}

TEST(JpegPicture, CutImageDataShowsWhatArrived) {
    QImage source(64, 64, QImage::Format_RGB32);
    source.fill(qRgb(250, 250, 0));
    const Bytes whole = test::encodeJpeg(source);
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(findMarker(whole, 0xDA) + 40));
    JpegPicture p;
    p.load(cut);
    const QImage& image = p.image();
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(near(image.pixel(0, 0), qRgb(250, 250, 0)));
    EXPECT_FALSE(p.takeDecodeError());
}

TEST(JpegPicture, EndlessScansAreRefused) {
    // The last scan of a progressive file repeated 300 times: libjpeg only
    // warns about each, but every one is a pass over the whole picture.
    const Bytes good = test::solidJpeg(64, 64, qRgb(9, 9, 9), JpegSpace::Colour, true);
    std::size_t last = 0;
    for (std::size_t at = findMarker(good, 0xDA); at != std::string::npos; at = findMarker(good, 0xDA, at + 2))
        last = at;
    Bytes bytes(good.begin(), good.end() - 2);
    for (int i = 0; i < 300; ++i) bytes.insert(bytes.end(), good.begin() + static_cast<long>(last), good.end() - 2);
    bytes.push_back(0xFF), bytes.push_back(0xD9);
    JpegPicture p;
    p.load(bytes);
    EXPECT_TRUE(p.image().isNull());
    EXPECT_EQ(p.takeDecodeError(), jpegErrorText(JERR_BAD_SCAN_SCRIPT));
}
