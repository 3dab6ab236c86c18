#include "IconLibrary.h"

#include "ByteCursor.h"
#include "ByteWriter.h"
#include "FileBytes.h"
#include "NeResources.h"
#include "ResourceModule.h"

#include <algorithm>
#include <cstring>

namespace kodrix {

namespace {

constexpr std::size_t kIcoHeaderSize = 6;
constexpr std::size_t kIcoEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

enum class LibraryKind { None, Ne, Pe, Ico };

LibraryKind kindOf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0) return LibraryKind::Ico;
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return LibraryKind::None;
    const std::uint32_t sig = le32(bytes.data() + 0x3C);
    if (!rangeFits(sig, 4, bytes.size())) return LibraryKind::None;
    const std::uint8_t* p = bytes.data() + sig;
    if (p[0] == 'N' && p[1] == 'E') return LibraryKind::Ne;
    if (p[0] == 'P' && p[1] == 'E' && p[2] == 0 && p[3] == 0) return LibraryKind::Pe;
    return LibraryKind::None;
}

// Reads the 6-byte header shared by .ico files and group resources; the
// entry count, or nullopt when it is not an icon's header.
std::optional<std::uint16_t> iconHeaderCount(ByteCursor& c) {
    const std::uint16_t reserved = c.u16();
    const std::uint16_t type = c.u16();
    const std::uint16_t count = c.u16();
    if (!c.ok() || reserved != 0 || type != 1) return std::nullopt;
    return count;
}

// Entry bytes 0–11, common to both directory kinds (the size is handled by the caller).
IcoImage readEntryHead(ByteCursor& c) {
    IcoImage img;
    img.width = c.u8();
    img.height = c.u8();
    img.colorCount = c.u8();
    img.reserved = c.u8();
    img.planes = c.u16();
    img.bitCount = c.u16();
    return img;
}

std::optional<std::vector<std::uint8_t>> neGroupAsIco(std::span<const std::uint8_t> bytes, unsigned index) {
    auto table = NeResources::parse(bytes);
    if (!table) return std::nullopt;
    const auto groups = table->ofType(RT_GROUP_ICON);
    if (index >= groups.size()) return std::nullopt;
    auto group = table->bytes(groups[index]);
    if (!group) return std::nullopt;
    return icoFromIconGroup(*group, [&](std::uint16_t id) -> std::optional<std::span<const std::uint8_t>> {
        auto icon = table->find(RT_ICON, id);
        if (!icon) return std::nullopt;
        return table->bytes(*icon);
    }, bytes.size());
}

std::optional<std::vector<std::uint8_t>> peGroupAsIco(std::span<const std::uint8_t> bytes, unsigned index) {
    auto module = ResourceModule::fromBytes(bytes);
    if (!module) return std::nullopt;
    const auto groups = module->names(ResourceId::id(RT_GROUP_ICON));
    if (index >= groups.size()) return std::nullopt;
    auto group = module->find(ResourceId::id(RT_GROUP_ICON), groups[index]);
    if (!group) return std::nullopt;
    return icoFromIconGroup(*group, [&](std::uint16_t id) {
        return module->find(ResourceId::id(RT_ICON), ResourceId::id(id));
    }, bytes.size());
}

}  // namespace

unsigned IcoImage::imageBitCount() const noexcept {
    if (bitCount != 0) return bitCount;
    if (data.size() >= sizeof kPngSignature && std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0)
        return 32;
    if (data.size() >= 16) return le16(data.data() + 14);  // BITMAPINFOHEADER biBitCount
    return 0;
}

std::optional<std::vector<IcoImage>> readIcoDirectory(std::span<const std::uint8_t> ico, bool strict) {
    ByteCursor c(ico);
    const auto count = iconHeaderCount(c);
    if (!count || *count > kMaxIconImages) return std::nullopt;
    if (std::uint64_t(*count) * kIcoEntrySize > c.remaining()) return std::nullopt;
    std::vector<IcoImage> images;
    images.reserve(*count);
    std::uint64_t total = 0;
    for (unsigned i = 0; i < *count; ++i) {
        IcoImage img = readEntryHead(c);
        const std::uint32_t size = c.u32();
        const std::uint32_t offset = c.u32();
        if (!c.ok()) return std::nullopt;
        if (!rangeFits(offset, size, ico.size())) {
            if (strict || offset >= ico.size()) {
                if (strict) return std::nullopt;
                continue;
            }
            img.data = ico.subspan(offset);
        } else {
            img.data = ico.subspan(offset, size);
        }
        // Images of a sound file do not overlap; many entries over the same
        // bytes must not make a copy larger than the file.
        total += img.data.size();
        if (total > ico.size()) return std::nullopt;
        images.push_back(img);
    }
    return images;
}

std::vector<std::uint8_t> writeIco(const std::vector<IcoImage>& images) {
    std::size_t total = kIcoHeaderSize + kIcoEntrySize * images.size();
    for (const auto& img : images) total += img.data.size();
    ByteWriter out;
    out.bytes.reserve(total);
    out.u16(0);
    out.u16(1);
    out.u16(static_cast<std::uint16_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(kIcoHeaderSize + kIcoEntrySize * images.size());
    for (const auto& img : images) {
        out.u8(img.width);
        out.u8(img.height);
        out.u8(img.colorCount);
        out.u8(img.reserved);
        out.u16(img.planes);
        out.u16(img.bitCount);
        out.u32(static_cast<std::uint32_t>(img.data.size()));
        out.u32(offset);
        offset += static_cast<std::uint32_t>(img.data.size());
    }
    for (const auto& img : images) out.append(img.data);
    return std::move(out.bytes);
}

std::optional<std::vector<std::uint8_t>> icoFromIconGroup(
    std::span<const std::uint8_t> group,
    const std::function<std::optional<std::span<const std::uint8_t>>(std::uint16_t)>& iconById,
    std::uint64_t byteLimit) {
    ByteCursor c(group);
    const auto declared = iconHeaderCount(c);
    if (!declared) return std::nullopt;
    // Some writers round the group up to the alignment; take the entries
    // the resource actually holds, up to the cap.
    const std::size_t count = std::min<std::size_t>({*declared, c.remaining() / kGroupEntrySize, kMaxIconImages});
    std::vector<IcoImage> images;
    images.reserve(count);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        IcoImage img = readEntryHead(c);
        const std::uint32_t bytesInRes = c.u32();
        const std::uint16_t id = c.u16();
        auto icon = iconById(id);
        if (!icon) continue;
        img.data = icon->first(std::min<std::uint64_t>(bytesInRes, icon->size()));
        // Entries naming the same image many times cannot make the icon larger than the library.
        total += img.data.size();
        if (total > byteLimit) return std::nullopt;
        images.push_back(img);
    }
    if (!c.ok() || images.empty()) return std::nullopt;
    return writeIco(images);
}

unsigned iconGroupCountFromBytes(std::span<const std::uint8_t> bytes) {
    switch (kindOf(bytes)) {
    case LibraryKind::Ico: return readIcoDirectory(bytes) ? 1 : 0;
    case LibraryKind::Ne: {
        auto table = NeResources::parse(bytes);
        return table ? static_cast<unsigned>(table->ofType(RT_GROUP_ICON).size()) : 0;
    }
    case LibraryKind::Pe: {
        auto module = ResourceModule::fromBytes(bytes);
        return module ? static_cast<unsigned>(module->names(ResourceId::id(RT_GROUP_ICON)).size()) : 0;
    }
    case LibraryKind::None: break;
    }
    return 0;
}

std::optional<std::vector<std::uint8_t>> iconGroupAsIcoFromBytes(std::span<const std::uint8_t> bytes, unsigned index) {
    switch (kindOf(bytes)) {
    case LibraryKind::Ico: {
        if (index != 0) return std::nullopt;
        auto images = readIcoDirectory(bytes);
        if (!images || images->empty()) return std::nullopt;
        return writeIco(*images);
    }
    case LibraryKind::Ne: return neGroupAsIco(bytes, index);
    case LibraryKind::Pe: return peGroupAsIco(bytes, index);
    case LibraryKind::None: break;
    }
    return std::nullopt;
}

unsigned iconGroupCount(const std::filesystem::path& library) {
    FileBytes file;
    if (!file.open(library)) return 0;
    return iconGroupCountFromBytes(file.bytes());
}

std::optional<std::vector<std::uint8_t>> iconGroupAsIco(const std::filesystem::path& library, unsigned index) {
    FileBytes file;
    if (!file.open(library)) return std::nullopt;
    return iconGroupAsIcoFromBytes(file.bytes(), index);
}

}  // namespace kodrix
