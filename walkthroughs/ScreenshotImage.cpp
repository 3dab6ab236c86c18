#include "ScreenshotImage.h"

#include "platform/Text.h"
#include "platform/jpeg/JpegPicture.h"

#include <QPainter>

namespace kodrix {

ScreenshotImage::ScreenshotImage(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted here: the background in the window's colour.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ScreenshotImage::~ScreenshotImage() = default;

void ScreenshotImage::setPicture(std::unique_ptr<JpegPicture> picture) {
    picture_ = std::move(picture);
    scaled_ = QPixmap();
    update();
}

void ScreenshotImage::loadPicture(std::span<const std::uint8_t> jpegBytes) {
    setPicture(std::make_unique<JpegPicture>());
    picture_->load(jpegBytes);
}

QRect ScreenshotImage::placement(QSize picture, QSize area) {
    const qint64 w = picture.width(), h = picture.height();
    const qint64 aw = std::max(area.width(), 0), ah = std::max(area.height(), 0);
    if (w <= 0 || h <= 0) return {};
    qint64 pw = w, ph = h;
    if (w > aw || h > ah) {
        // The side that overflows more decides the scale; the other follows,
        // rounded down, at least one pixel.
        if (w * ah >= h * aw) {
            pw = aw;
            ph = std::max<qint64>(1, h * aw / w);
        } else {
            ph = ah;
            pw = std::max<qint64>(1, w * ah / h);
        }
    }
    return QRect(static_cast<int>((aw - pw) / 2), static_cast<int>((ah - ph) / 2), static_cast<int>(pw),
                 static_cast<int>(ph));
}

void ScreenshotImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (!picture_ || picture_->isEmpty()) return;

    const QImage& image = picture_->image();
    if (auto error = picture_->takeDecodeError()) {
        // Dropped by Qt when the control is gone before the event loop runs it.
        QMetaObject::invokeMethod(
            this, [this, message = fromCp1251(*error)] { emit decodeFailed(message); }, Qt::QueuedConnection);
    }
    if (image.isNull()) return;

    const QRect target = placement(image.size(), size());
    if (target.size() == image.size()) {
        painter.drawImage(target.topLeft(), image);
        return;
    }
    // Reduced once per size, smoothly, and kept for the repaints.
    if (scaled_.size() != target.size())
        scaled_ = QPixmap::fromImage(image.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    painter.drawPixmap(target.topLeft(), scaled_);
}

}  // namespace kodrix
