#pragma once
// .ico files for icon libraries: from any image Qt reads, or an .ico taken as it is.
#include <QImage>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace kodrix::pack {

// .ico bytes with 32x32 32-bpp and 16x16 32-bpp DIB images (with AND masks) made from any image.
std::vector<std::uint8_t> icoFromImage(const QImage& image);

// An .ico file taken as it is, or any image Qt reads (PNG…) converted by icoFromImage; throws kodrix::Error.
std::vector<std::uint8_t> icoFromFile(const std::filesystem::path& path);

}  // namespace kodrix::pack
