// JPEG files from untrusted bytes: the header, then the whole picture into a
// buffer of the size the header gives, as the screenshot viewer decodes it.
#include "platform/jpeg/JpegDecoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kodrix::jpeg;
    Header header;
    if (readHeader({data, size}, header) != 0) return 0;
    const PixelFormat format = pixelFormatFor(header);
    const std::size_t stride = std::size_t(header.width) * bytesPerPixel(format);
    std::vector<std::uint8_t> pixels(stride * header.height);
    decode({data, size}, Target{pixels.data(), stride, header.width, header.height, format});
    return 0;
}
