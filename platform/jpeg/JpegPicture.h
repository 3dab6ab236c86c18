#pragma once
// A JPEG picture as the screenshot viewer holds it: loading copies the bytes
// and reads the header; the pixels are decoded from that copy the first time
// they are asked for, and kept.
//
// A picture whose data turns out damaged only while decoding has no pixels:
// image() is then a null image, every time, and the error is handed out once
// by takeDecodeError(), so that a repaint never reports it again.
#include "platform/jpeg/JpegDecoder.h"

#include <QImage>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kodrix {

class JpegPicture {
public:
    JpegPicture() = default;

    // Copies the bytes and reads the header. Throws Error("JPEG error #%d")
    // with the decoder's message number; the picture is then empty.
    void load(std::span<const std::uint8_t> bytes);

    bool isEmpty() const noexcept { return !loaded_; }
    int width() const noexcept { return static_cast<int>(header_.width); }
    int height() const noexcept { return static_cast<int>(header_.height); }
    QSize size() const noexcept { return {width(), height()}; }
    bool isGrayscale() const noexcept { return header_.grayscale; }
    bool isProgressive() const noexcept { return header_.progressive; }
    const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }

    // The pixels (Format_RGB32, or Format_Grayscale8 for grey-scale
    // pictures), decoded at the first call. Null when the picture is empty or
    // could not be decoded.
    const QImage& image();
    bool isDecoded() const noexcept { return decoded_; }
    bool decodeFailed() const noexcept { return decoded_ && image_.isNull() && loaded_; }

    // The message (cp1251) of a decoding failure not yet handed out; nullopt
    // otherwise, and at every later call.
    std::optional<std::string> takeDecodeError();

private:
    std::vector<std::uint8_t> bytes_;
    jpeg::Header header_;
    bool loaded_ = false;
    bool decoded_ = false;
    QImage image_;
    std::optional<std::string> decodeError_;
};

}  // namespace kodrix
