#pragma once
// Draws the pictures of a document filled from the rich-text model, in place
// of Qt's own image handling (which decodes a picture whole to find its size,
// and scales it again on every paint). The layout takes a picture's size from
// its format, without decoding. A picture is decoded once, straight to the
// size it is shown at, when it is first drawn: small ones at once, large ones
// off the user-interface thread (a frame stands in its place until the
// picture is ready). Decoded pictures are kept up to kCachePixels pixels in
// all, the least recently drawn given up first.
#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <QTextObjectInterface>
#include <QThreadPool>

#include <list>

class QTextDocument;

namespace kodrix {

class PictureRenderer : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    // Pictures whose file holds more pixels than this are decoded in the background.
    static constexpr qint64 kDecodeAtOncePixels = 1'000'000;
    static constexpr qint64 kCachePixels = 24'000'000;

    // The renderer of a document, made and registered with its layout on
    // first use; the document owns it.
    static PictureRenderer& of(QTextDocument& document);
    ~PictureRenderer() override;

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

    // Waits until the pictures being decoded are ready (and shown on the next paint).
    void finishDecoding();

    // The file bytes of a picture, decoded to a size (for the view and its tests).
    static QImage decode(const QByteArray& bytes, QSize size);

private:
    explicit PictureRenderer(QTextDocument& document);

    struct Decoded {
        QString key;
        QImage image;
    };
    const QImage* cached(const QString& key);
    void keep(const QString& key, QImage image);

    QTextDocument& document_;
    std::list<Decoded> cache_;  // most recently drawn first
    qint64 cachedPixels_ = 0;
    QSet<QString> decoding_;
    QThreadPool pool_;
};

}  // namespace kodrix
