#include "IcoWriter.h"

#include "PackError.h"
#include "catalogue/ByteWriter.h"
#include "catalogue/FileBytes.h"
#include "catalogue/IconLibrary.h"

#include <QPainter>

namespace kodrix::pack {

namespace {

// The image scaled into a size×size square, centred, keeping its proportions.
QImage squareImage(const QImage& image, int size) {
    QImage out(size, size, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    if (image.isNull()) return out;
    QImage scaled = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter p(&out);
    p.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    p.end();
    return out;
}

// A 32-bpp DIB as icons store it: BITMAPINFOHEADER with twice the height,
// the BGRA rows bottom-up, then the 1-bpp AND mask (set = transparent).
std::vector<std::uint8_t> dib32(const QImage& square) {
    const int n = square.width();
    const int maskStride = ((n + 31) / 32) * 4;
    const std::uint32_t xorSize = std::uint32_t(n) * n * 4;
    const std::uint32_t andSize = std::uint32_t(maskStride) * n;
    ByteWriter out;
    out.bytes.reserve(40 + xorSize + andSize);
    out.u32(40);
    out.u32(std::uint32_t(n));
    out.u32(std::uint32_t(2 * n));
    out.u16(1);   // planes
    out.u16(32);  // bit count
    out.u32(0);   // BI_RGB
    out.u32(xorSize + andSize);
    for (int i = 0; i < 4; ++i) out.u32(0);  // resolution, colours used/important
    for (int y = n - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(square.constScanLine(y));
        for (int x = 0; x < n; ++x) {
            out.u8(std::uint8_t(qBlue(row[x])));
            out.u8(std::uint8_t(qGreen(row[x])));
            out.u8(std::uint8_t(qRed(row[x])));
            out.u8(std::uint8_t(qAlpha(row[x])));
        }
    }
    for (int y = n - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(square.constScanLine(y));
        std::vector<std::uint8_t> mask(std::size_t(maskStride), 0);
        for (int x = 0; x < n; ++x)
            if (qAlpha(row[x]) == 0) mask[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
        out.append(mask);
    }
    return std::move(out.bytes);
}

}  // namespace

std::vector<std::uint8_t> icoFromImage(const QImage& image) {
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    const auto large = dib32(squareImage(source, 32));
    const auto small = dib32(squareImage(source, 16));
    std::vector<IcoImage> images(2);
    images[0].width = images[0].height = 32;
    images[1].width = images[1].height = 16;
    for (auto& img : images) {
        img.planes = 1;
        img.bitCount = 32;
    }
    images[0].data = large;
    images[1].data = small;
    return writeIco(images);
}

std::vector<std::uint8_t> icoFromFile(const std::filesystem::path& path) {
    const auto file = FileBytes::open(path);
    if (!file) throwCannotOpen(path, file.reason().errnoValue);
    const auto bytes = file->bytes();
    if (bytes.size() >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0) {
        auto images = readIcoDirectory(bytes, /*strict=*/true);
        if (!images || images->empty()) throw PackError("Damaged icon file \"" + utf8Path(path) + "\"");
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }
    QImage image = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()));
    if (image.isNull()) throw PackError("Not an icon or an image: \"" + utf8Path(path) + "\"");
    return icoFromImage(image);
}

}  // namespace kodrix::pack
