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

constexpr std::uint64_t kMaxGroupBytes = kIcoHeaderSize + kGroupEntrySize * kMaxIconImages;

enum class LibraryKind { None, Ne, Pe, Ico };

// A library's bytes: in memory, or read from the file as they are asked for.
struct LibraryBytes {
    std::span<const std::uint8_t> memory;
    const FileBytes* file = nullptr;

    std::uint64_t size() const { return file ? file->size() : memory.size(); }
    std::optional<std::span<const std::uint8_t>> range(std::uint64_t off, std::uint64_t len) const {
        if (file) return file->read(off, len);
        if (!rangeFits(off, len, memory.size())) return std::nullopt;
        return memory.subspan(static_cast<std::size_t>(off), static_cast<std::size_t>(len));
    }
};

LibraryKind kindOf(const LibraryBytes& bytes) {
    const auto head = bytes.range(0, std::min<std::uint64_t>(bytes.size(), 0x40));
    if (!head) return LibraryKind::None;
    const std::uint8_t* h = head->data();
    if (head->size() >= 4 && h[0] == 0 && h[1] == 0 && h[2] == 1 && h[3] == 0) return LibraryKind::Ico;
    if (head->size() < 0x40 || h[0] != 'M' || h[1] != 'Z') return LibraryKind::None;
    const auto sig = bytes.range(le32(h + 0x3C), 4);
    if (!sig) return LibraryKind::None;
    const std::uint8_t* p = sig->data();
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

// The images of an .ico file; see readIcoDirectory. Image bytes are asked
// for only once they are known to fit.
std::optional<std::vector<IcoImage>> readIcoImages(const LibraryBytes& ico, bool strict) {
    const std::uint64_t size = ico.size();
    const auto header = ico.range(0, std::min<std::uint64_t>(size, kIcoHeaderSize));
    if (!header) return std::nullopt;
    ByteCursor h(*header);
    const auto count = iconHeaderCount(h);
    if (!count || *count > kMaxIconImages) return std::nullopt;
    const auto entries = ico.range(kIcoHeaderSize, std::uint64_t(*count) * kIcoEntrySize);
    if (!entries) return std::nullopt;
    ByteCursor c(*entries);
    std::vector<IcoImage> images;
    images.reserve(*count);
    std::uint64_t total = 0;
    for (unsigned i = 0; i < *count; ++i) {
        IcoImage img = readEntryHead(c);
        const std::uint32_t length = c.u32();
        const std::uint32_t offset = c.u32();
        if (!c.ok()) return std::nullopt;
        std::uint64_t take = length;
        if (!rangeFits(offset, length, size)) {
            if (strict || offset >= size) {
                if (strict) return std::nullopt;
                continue;
            }
            take = size - offset;
        }
        // Images of a sound file do not overlap; many entries over the same
        // bytes must not make a copy larger than the file.
        total += take;
        if (total > size || total > kMaxIconBytes) return std::nullopt;
        const auto data = ico.range(offset, take);
        if (!data) return std::nullopt;
        img.data = *data;
        images.push_back(img);
    }
    return images;
}

std::optional<std::vector<std::uint8_t>> neGroupAsIco(const LibraryBytes& bytes, unsigned index) {
    auto table = bytes.file ? NeResources::parse(*bytes.file) : NeResources::parse(bytes.memory);
    if (!table) return std::nullopt;
    const auto groups = table->ofType(RT_GROUP_ICON);
    if (index >= groups.size()) return std::nullopt;
    auto group = table->bytes(groups[index], kMaxGroupBytes);
    if (!group) return std::nullopt;
    return icoFromIconGroup(*group, [&](std::uint16_t id, std::uint64_t maxBytes) -> std::optional<std::span<const std::uint8_t>> {
        auto icon = table->find(RT_ICON, id);
        if (!icon) return std::nullopt;
        return table->bytes(*icon, maxBytes);
    }, bytes.size());
}

std::optional<std::vector<std::uint8_t>> peGroupAsIco(const ResourceModule& module, unsigned index, std::uint64_t size) {
    const auto groups = module.names(ResourceId::id(RT_GROUP_ICON));
    if (index >= groups.size()) return std::nullopt;
    auto group = module.find(ResourceId::id(RT_GROUP_ICON), groups[index], kMaxGroupBytes);
    if (!group) return std::nullopt;
    return icoFromIconGroup(*group, [&](std::uint16_t id, std::uint64_t maxBytes) {
        return module.find(ResourceId::id(RT_ICON), ResourceId::id(id),
                           static_cast<std::uint32_t>(std::min<std::uint64_t>(maxBytes, UINT32_MAX)));
    }, size);
}

unsigned groupCount(const LibraryBytes& bytes) {
    switch (kindOf(bytes)) {
    case LibraryKind::Ico: return readIcoImages(bytes, false) ? 1 : 0;
    case LibraryKind::Ne: {
        auto table = bytes.file ? NeResources::parse(*bytes.file) : NeResources::parse(bytes.memory);
        return table ? static_cast<unsigned>(table->ofType(RT_GROUP_ICON).size()) : 0;
    }
    case LibraryKind::Pe: break;  // the caller opens the module
    case LibraryKind::None: break;
    }
    return 0;
}

std::optional<std::vector<std::uint8_t>> icoOfIcoFile(const LibraryBytes& bytes, unsigned index) {
    if (index != 0) return std::nullopt;
    auto images = readIcoImages(bytes, false);
    if (!images || images->empty()) return std::nullopt;
    return writeIco(*images);
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
    return readIcoImages(LibraryBytes{ico}, strict);
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

std::optional<std::vector<std::uint8_t>> icoFromIconGroup(std::span<const std::uint8_t> group,
                                                          const IconImageById& iconById, std::uint64_t byteLimit) {
    ByteCursor c(group);
    const auto declared = iconHeaderCount(c);
    if (!declared) return std::nullopt;
    // Some writers round the group up to the alignment; take the entries
    // the resource actually holds, up to the cap.
    const std::size_t count = std::min<std::size_t>({*declared, c.remaining() / kGroupEntrySize, kMaxIconImages});
    const std::uint64_t limit = std::min(byteLimit, kMaxIconBytes);
    std::vector<IcoImage> images;
    images.reserve(count);
    std::vector<bool> taken(65536);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        IcoImage img = readEntryHead(c);
        const std::uint32_t bytesInRes = c.u32();
        const std::uint16_t id = c.u16();
        // An image the group names again adds nothing: it is taken once.
        if (taken[id]) continue;
        taken[id] = true;
        // One byte more than the room left is enough to tell the image does not fit.
        auto icon = iconById(id, std::min<std::uint64_t>(bytesInRes, limit - total + 1));
        if (!icon) continue;
        img.data = icon->first(std::min<std::uint64_t>(bytesInRes, icon->size()));
        // The images together cannot be larger than the library.
        total += img.data.size();
        if (total > limit) return std::nullopt;
        images.push_back(img);
    }
    if (!c.ok() || images.empty()) return std::nullopt;
    return writeIco(images);
}

unsigned iconGroupCountFromBytes(std::span<const std::uint8_t> bytes) {
    const LibraryBytes library{bytes};
    if (kindOf(library) == LibraryKind::Pe) {
        auto module = ResourceModule::fromBytes(bytes);
        return module ? static_cast<unsigned>(module->names(ResourceId::id(RT_GROUP_ICON)).size()) : 0;
    }
    return groupCount(library);
}

std::optional<std::vector<std::uint8_t>> iconGroupAsIcoFromBytes(std::span<const std::uint8_t> bytes, unsigned index) {
    const LibraryBytes library{bytes};
    switch (kindOf(library)) {
    case LibraryKind::Ico: return icoOfIcoFile(library, index);
    case LibraryKind::Ne: return neGroupAsIco(library, index);
    case LibraryKind::Pe: {
        auto module = ResourceModule::fromBytes(bytes);
        if (!module) return std::nullopt;
        return peGroupAsIco(*module, index, bytes.size());
    }
    case LibraryKind::None: break;
    }
    return std::nullopt;
}

unsigned iconGroupCount(const std::filesystem::path& path) {
    auto opened = FileBytes::open(path);
    if (!opened) return 0;
    FileBytes& file = *opened;
    const LibraryBytes library{{}, &file};
    if (kindOf(library) == LibraryKind::Pe) {
        auto module = ResourceModule::open(std::move(file));
        return module ? static_cast<unsigned>(module->names(ResourceId::id(RT_GROUP_ICON)).size()) : 0;
    }
    return groupCount(library);
}

std::optional<std::vector<std::uint8_t>> iconGroupAsIco(FileBytes&& file, unsigned index) {
    const LibraryBytes library{{}, &file};
    switch (kindOf(library)) {
    case LibraryKind::Ico: return icoOfIcoFile(library, index);
    case LibraryKind::Ne: return neGroupAsIco(library, index);
    case LibraryKind::Pe: {
        const std::uint64_t size = file.size();
        auto module = ResourceModule::open(std::move(file));
        if (!module) return std::nullopt;
        return peGroupAsIco(*module, index, size);
    }
    case LibraryKind::None: break;
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> iconGroupAsIco(const std::filesystem::path& path, unsigned index) {
    auto file = FileBytes::open(path);
    if (!file) return std::nullopt;
    return iconGroupAsIco(std::move(*file), index);
}

}  // namespace kodrix
