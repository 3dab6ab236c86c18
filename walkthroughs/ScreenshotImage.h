#pragma once
// The image control of the screenshot viewer (`Image1`): one JPEG picture at
// its natural size, centred; a picture larger than the control is reduced,
// keeping its aspect ratio, to the largest size that fits, and centred;
// pictures are never enlarged. The rest shows the window's colour.
//
// The picture is decoded when it is first painted. A decoding failure is
// announced once by decodeFailed (after the paint, from the event loop, so a
// report box never opens inside a paint) and the control shows no picture.
#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <span>

namespace kodrix {

class JpegPicture;

class ScreenshotImage : public QWidget {
    Q_OBJECT
public:
    explicit ScreenshotImage(QWidget* parent = nullptr);
    ~ScreenshotImage() override;

    // Replaces the picture (nullptr: none) and repaints.
    void setPicture(std::unique_ptr<JpegPicture> picture);
    // Puts a new, empty picture in, then reads the bytes into it. Throws
    // Error("JPEG error #%d") when the header is refused; the control then
    // holds the empty picture.
    void loadPicture(std::span<const std::uint8_t> jpegBytes);
    JpegPicture* picture() const { return picture_.get(); }

    // Where a picture of that size goes in an area of that size.
    static QRect placement(QSize picture, QSize area);

signals:
    // The message (already converted from cp1251) of a decoding failure.
    void decodeFailed(const QString& message);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<JpegPicture> picture_;
    QPixmap scaled_;  // the reduced picture for the current size
};

}  // namespace kodrix
