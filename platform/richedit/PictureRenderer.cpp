#include "PictureRenderer.h"

#include "TextDocumentConversion.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QTextDocument>
#include <QTextImageFormat>

namespace kodrix {
namespace {

// The size a picture is shown at: its format's, which the document filler set.
QSize shownSize(const QTextImageFormat& image) {
    return QSize(std::max(1, qRound(image.width())), std::max(1, qRound(image.height())));
}

QString keyOf(const QTextImageFormat& image, QSize size) {
    return image.name() + QLatin1Char('@') + QString::number(size.width()) + QLatin1Char('x') +
           QString::number(size.height());
}

}  // namespace

PictureRenderer& PictureRenderer::of(QTextDocument& document) {
    if (auto* renderer = document.findChild<PictureRenderer*>(QString(), Qt::FindDirectChildrenOnly)) return *renderer;
    auto* renderer = new PictureRenderer(document);
    document.documentLayout()->registerHandler(QTextFormat::ImageObject, renderer);
    return *renderer;
}

PictureRenderer::PictureRenderer(QTextDocument& document) : QObject(&document), document_(document) {
    pool_.setMaxThreadCount(1);
}

PictureRenderer::~PictureRenderer() {
    // The decoders report to this object: none may outlive it.
    pool_.clear();
    pool_.waitForDone();
}

QSizeF PictureRenderer::intrinsicSize(QTextDocument*, int, const QTextFormat& format) {
    return QSizeF(shownSize(format.toImageFormat()));
}

QImage PictureRenderer::decode(const QByteArray& bytes, QSize size) {
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.size().isValid() && reader.size() != size) reader.setScaledSize(size);
    QImage image = reader.read();
    if (!image.isNull() && image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

const QImage* PictureRenderer::cached(const QString& key) {
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->key != key) continue;
        cache_.splice(cache_.begin(), cache_, it);
        return &cache_.front().image;
    }
    return nullptr;
}

void PictureRenderer::keep(const QString& key, QImage image) {
    cachedPixels_ += qint64(image.width()) * image.height();
    cache_.push_front({key, std::move(image)});
    while (cache_.size() > 1 && cachedPixels_ > kCachePixels) {
        cachedPixels_ -= qint64(cache_.back().image.width()) * cache_.back().image.height();
        cache_.pop_back();
    }
}

void PictureRenderer::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                                 const QTextFormat& format) {
    const QTextImageFormat image = format.toImageFormat();
    const QSize size = shownSize(image);
    const QString key = keyOf(image, size);
    if (const QImage* picture = cached(key)) {
        painter->drawImage(rect, *picture);
        return;
    }
    const QByteArray bytes = image.property(kPictureBytesProperty).toByteArray();
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    const QSize natural = QImageReader(&buffer).size();
    if (natural.isValid() && qint64(natural.width()) * natural.height() <= kDecodeAtOncePixels) {
        keep(key, decode(bytes, size));
        painter->drawImage(rect, cache_.front().image);
        return;
    }
    // A frame until the picture is ready.
    painter->save();
    painter->setPen(QPen(Qt::gray, 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    painter->restore();
    if (decoding_.contains(key)) return;
    decoding_.insert(key);
    pool_.start([this, bytes, size, key] {
        QImage decoded = decode(bytes, size);
        QMetaObject::invokeMethod(
            this,
            [this, key, decoded = std::move(decoded)]() mutable {
                decoding_.remove(key);
                keep(key, std::move(decoded));
                emit document_.documentLayout()->update();
            },
            Qt::QueuedConnection);
    });
}

void PictureRenderer::finishDecoding() {
    pool_.waitForDone();
    QCoreApplication::sendPostedEvents(this);
}

}  // namespace kodrix
