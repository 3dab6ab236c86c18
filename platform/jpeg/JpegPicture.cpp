#include "JpegPicture.h"

#include "catalogue/Error.h"
#include "catalogue/Messages.h"

namespace kodrix {

void JpegPicture::load(std::span<const std::uint8_t> bytes) {
    *this = JpegPicture();
    jpeg::Header header;
    if (const int code = jpeg::readHeader(bytes, header)) throw Error(messages::jpegError(code));
    bytes_.assign(bytes.begin(), bytes.end());
    header_ = header;
    loaded_ = true;
}

const QImage& JpegPicture::image() {
    if (decoded_ || !loaded_) return image_;
    decoded_ = true;
    const jpeg::PixelFormat format = jpeg::pixelFormatFor(header_);
    QImage image(width(), height(),
                 format == jpeg::PixelFormat::Rgb32 ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
    if (image.isNull()) {  // the allocation failed
        decodeError_ = messages::outOfMemory();
        return image_;
    }
    const jpeg::Target target{image.bits(), static_cast<std::size_t>(image.bytesPerLine()), header_.width,
                              header_.height, format};
    if (const int code = jpeg::decode(bytes_, target)) {
        decodeError_ = messages::jpegError(code);
        return image_;
    }
    image_ = std::move(image);
    return image_;
}

std::optional<std::string> JpegPicture::takeDecodeError() {
    std::optional<std::string> e;
    e.swap(decodeError_);
    return e;
}

}  // namespace kodrix
