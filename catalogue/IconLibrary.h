#pragma once
// Icon libraries: 16-bit NE icon libraries (.icl), PE modules and plain .ico
// files. Icon N is the N-th icon group in resource-table order (PE: directory
// order, named groups first, then IDs ascending); an .ico file holds one icon.
// A chosen group is rebuilt as the bytes of an .ico file.
#include "FileBytes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace kodrix {

// One image of an .ico file: the first 12 bytes of its directory entry
// (width, height, colour count, reserved, planes, bit count, size) and its bytes.
struct IcoImage {
    std::uint8_t width = 0;       // 0 = 256
    std::uint8_t height = 0;      // 0 = 256
    std::uint8_t colorCount = 0;
    std::uint8_t reserved = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;   // 0 in some old files: see imageBitCount
    std::span<const std::uint8_t> data;

    int pixelWidth() const noexcept { return width == 0 ? 256 : width; }
    int pixelHeight() const noexcept { return height == 0 ? 256 : height; }
    // The colour depth: the directory's, else the bitmap header's (PNG: 32).
    unsigned imageBitCount() const noexcept;
};

// Most images one icon may hold; more is taken as damage.
constexpr std::size_t kMaxIconImages = 1024;
// Most bytes one icon's images may hold together (a 256x256 true-colour image
// takes about 270 KB); more is taken as damage, and is never read.
constexpr std::uint64_t kMaxIconBytes = 16u << 20;

// The images of an .ico file in directory order. Lenient (the default): an
// image running past the end of the file is cut there, one starting beyond it
// is left out. Strict: any such image, or a bad header, gives nullopt.
// nullopt also when the header is not an icon's (reserved 0, type 1) or the
// images together are larger than the file (entries sharing bytes).
std::optional<std::vector<IcoImage>> readIcoDirectory(std::span<const std::uint8_t> ico, bool strict = false);

// The bytes of an .ico file holding these images, offsets computed from
// what is written (6 + 16·n header, then the images back to back).
std::vector<std::uint8_t> writeIco(const std::vector<IcoImage>& images);

// The first maxBytes bytes (or all, when fewer) of the RT_ICON resource with
// that ID; nullopt when there is none.
using IconImageById = std::function<std::optional<std::span<const std::uint8_t>>(std::uint16_t id,
                                                                                 std::uint64_t maxBytes)>;

// Rebuilds an icon group resource (GRPICONDIR, 14-byte entries) as an .ico:
// each entry takes the RT_ICON resource named by its nID, min(dwBytesInRes,
// resource size) bytes of it; entries whose image is missing are skipped, and
// an image the group names again is taken once, at its first entry.
// nullopt when the group is damaged, no image remains, or the images
// together exceed byteLimit (the library's size) or kMaxIconBytes; no image
// is read past those limits.
std::optional<std::vector<std::uint8_t>> icoFromIconGroup(std::span<const std::uint8_t> group,
                                                          const IconImageById& iconById, std::uint64_t byteLimit);

// The number of icons the library holds (0 when unreadable; an .ico file holds 1).
unsigned iconGroupCount(const std::filesystem::path& library);
// The same, nullopt when the file cannot be read as an icon library at all
// (missing, unreadable, not an icon library, its resource table damaged).
std::optional<unsigned> readIconGroupCount(const std::filesystem::path& library);
unsigned iconGroupCountFromBytes(std::span<const std::uint8_t> library);

// Icon `index` of the library as .ico bytes; nullopt when the file is missing,
// damaged, not an icon library, or holds no icon with that index. Files are
// read on demand: the headers, the resource table and the one icon.
std::optional<std::vector<std::uint8_t>> iconGroupAsIco(const std::filesystem::path& library, unsigned index);
std::optional<std::vector<std::uint8_t>> iconGroupAsIco(FileBytes&& library, unsigned index);
std::optional<std::vector<std::uint8_t>> iconGroupAsIcoFromBytes(std::span<const std::uint8_t> library,
                                                                 unsigned index);

}  // namespace kodrix
