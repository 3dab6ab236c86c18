#include "IconExtractor.h"

#include "catalogue/IconLibrary.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>

namespace kodrix {

namespace {

constexpr int kLargeIconSize = 32;

int sizeOf(const IcoImage& img) { return std::max(img.pixelWidth(), img.pixelHeight()); }

// The image the shell's large icon is made from: the size closest to 32 not
// above it (else the smallest), then the greatest colour depth, then the
// first in the directory.
const IcoImage* chooseLargeIcon(const std::vector<IcoImage>& images) {
    const IcoImage* best = nullptr;
    auto better = [](const IcoImage& a, const IcoImage& b) {
        const int sa = sizeOf(a), sb = sizeOf(b);
        const bool fitA = sa <= kLargeIconSize, fitB = sb <= kLargeIconSize;
        if (fitA != fitB) return fitA;
        if (sa != sb) return fitA ? sa > sb : sa < sb;
        return a.imageBitCount() > b.imageBitCount();
    };
    for (const auto& img : images)
        if (!best || better(img, *best)) best = &img;
    return best;
}

}  // namespace

QImage largeIconFromIco(const std::vector<std::uint8_t>& ico) {
    auto images = readIcoDirectory(ico);
    if (!images || images->empty()) return {};
    const IcoImage* chosen = chooseLargeIcon(*images);
    // Qt's ICO reader picks its own image; hand it an icon holding only ours.
    const auto single = writeIco({*chosen});
    QByteArray data(reinterpret_cast<const char*>(single.data()), static_cast<qsizetype>(single.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (image.width() != kLargeIconSize || image.height() != kLargeIconSize)
        image = image.scaled(kLargeIconSize, kLargeIconSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

namespace {
ExtractedIcon iconOrSubstitute(const std::optional<std::vector<std::uint8_t>>& ico, std::uint16_t index) {
    ExtractedIcon out;
    out.indexUsed = index;
    if (ico) out.image = largeIconFromIco(*ico);
    if (out.image.isNull()) {
        out.image = substituteIcon();
        out.substitute = true;
    }
    return out;
}
}  // namespace

ExtractedIcon extractIcon(const std::filesystem::path& library, std::uint16_t index) {
    return iconOrSubstitute(iconGroupAsIco(library, index), index);
}

ExtractedIcon extractIcon(FileHandle&& library, std::uint16_t index) {
    std::optional<std::vector<std::uint8_t>> ico;
    if (auto file = FileBytes::open(std::move(library))) ico = iconGroupAsIco(std::move(*file), index);
    return iconOrSubstitute(ico, index);
}

QImage substituteIcon() {
    // A plain application window: frame, blue caption bar, white client area.
    QImage image(kLargeIconSize, kLargeIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const QRect frame(2, 4, 28, 24);
    p.fillRect(frame, QColor(0, 0, 0));
    p.fillRect(frame.adjusted(1, 1, -1, -1), QColor(255, 255, 255));
    p.fillRect(QRect(3, 5, 26, 5), QColor(0, 0, 128));
    p.fillRect(QRect(24, 6, 4, 3), QColor(192, 192, 192));
    p.end();
    return image;
}

}  // namespace kodrix
