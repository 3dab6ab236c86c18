#include "ResourceModule.h"

#include "ByteCursor.h"
#include "Cp1251.h"
#include "Messages.h"
#include "Error.h"

#include <algorithm>

namespace kodrix {
namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kDirectoryHeader = 16;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t rawSize;
    std::uint32_t rawPointer;
};

// One resource directory table, checked to lie inside the resource area with
// all of its entries.
struct Directory {
    std::uint32_t offset = 0;
    std::uint32_t count = 0;
};

struct Entry {
    std::uint32_t nameWord;
    std::uint32_t targetWord;
    bool isNamed() const { return (nameWord & kHighBit) != 0; }
    bool isSubdirectory() const { return (targetWord & kHighBit) != 0; }
    std::uint32_t nameOffset() const { return nameWord & ~kHighBit; }
    std::uint16_t id() const { return static_cast<std::uint16_t>(nameWord); }
    std::uint32_t targetOffset() const { return targetWord & ~kHighBit; }
};

char16_t upperUnit(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0x80) return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);  // Latin-1
    if (c == 0xFF) return 0x178;
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);  // а..я
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);  // ѐ..џ
    if (c == 0x491) return 0x490;                                          // ґ
    return c;
}

// How a language ranks when a resource exists in several: lower is better.
// The order follows the system loader as far as it is known: a neutral
// resource first, then the Russian user interface's own language (0x0419),
// then any other Russian sublanguage, then US English (0x0409), and otherwise
// the first language present in ID order (the lowest LANGID).
unsigned languageRank(std::uint16_t lang) {
    if (lang == 0x0000) return 0;
    if (lang == 0x0419) return 1;
    if ((lang & 0x03FF) == 0x0019) return 2;
    if (lang == 0x0409) return 3;
    return 4;
}

}  // namespace

std::u16string upperResourceName(std::u16string_view name) {
    std::u16string out(name);
    for (auto& c : out) c = upperUnit(c);
    return out;
}

ResourceId ResourceId::fromText(std::string_view cp1251Name) {
    // "#123" is the loader's spelling of ID 123; a number that does not fit 16
    // bits stays a name (which no resource compiler writes).
    if (cp1251Name.size() >= 2 && cp1251Name.size() <= 6 && cp1251Name[0] == '#') {
        std::uint32_t v = 0;
        bool digits = true;
        for (char c : cp1251Name.substr(1)) {
            if (c < '0' || c > '9') { digits = false; break; }
            v = v * 10 + static_cast<std::uint32_t>(c - '0');
        }
        if (digits && v <= 0xFFFF) return id(static_cast<std::uint16_t>(v));
    }
    return name(cp1251::toUtf16(cp1251Name));
}

struct ResourceModule::Impl {
    FileBytes file;
    std::span<const std::uint8_t> bytes;
    std::vector<Section> sections;
    // The resource area: from the root directory to the end of its section's
    // raw data. The directory size in the header is not relied on (the loader
    // does not use it either); every offset is checked against this area.
    std::span<const std::uint8_t> area;

    // String lookups come in runs over consecutive IDs: the block directory
    // is indexed once, and the last block found is kept.
    mutable bool stringIndexBuilt = false;
    mutable std::vector<std::pair<std::uint16_t, std::uint32_t>> stringBlocks;  // block ID → entry index
    mutable Directory stringDirectory;
    mutable std::uint32_t cachedBlock = 0;  // 0 = none (block IDs start at 1)
    mutable std::optional<std::span<const std::uint8_t>> cachedBlockData;

    bool parseHeaders();

    std::optional<Directory> directory(std::uint32_t offset) const;
    Entry entry(const Directory& dir, std::uint32_t index) const;
    bool nameEquals(const Entry& e, const std::u16string& upperName) const;
    std::optional<std::u16string> entryName(const Entry& e) const;
    bool matches(const Entry& e, const ResourceId& id, const std::u16string& upperName) const;
    // The sub-directory an entry of the type or name level leads to;
    // `visited` are the tables on the way down, which a loop would revisit.
    std::optional<Directory> subdirectory(const Entry& e, std::initializer_list<std::uint32_t> visited) const;
    std::optional<Directory> findSubdirectory(const Directory& dir, const ResourceId& id,
                                              std::initializer_list<std::uint32_t> visited) const;
    std::optional<std::span<const std::uint8_t>> chooseLanguage(const Directory& languages) const;
    std::optional<std::span<const std::uint8_t>> dataEntry(std::uint32_t offset) const;
    std::optional<std::span<const std::uint8_t>> mapRva(std::uint32_t rva, std::uint32_t size) const;

    std::optional<std::span<const std::uint8_t>> stringBlock(std::uint16_t block) const;
};

bool ResourceModule::Impl::parseHeaders() {
    const auto size = bytes.size();
    if (size < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return false;
    const std::uint32_t peOffset = le32(&bytes[0x3C]);
    ByteCursor c(bytes);
    if (!c.seek(peOffset) || c.u32() != 0x00004550) return false;  // "PE\0\0"
    c.skip(2);  // Machine: a resource-only module is read whatever its processor
    const std::uint16_t sectionCount = c.u16();
    c.skip(12);
    const std::uint16_t optionalSize = c.u16();
    c.skip(2);
    if (!c.ok()) return false;
    const std::uint64_t optionalOffset = c.pos();
    if (!rangeFits(optionalOffset, optionalSize, size) || optionalSize < 2) return false;
    const std::uint16_t magic = le16(&bytes[optionalOffset]);
    if (magic != 0x10B && magic != 0x20B) return false;

    const std::uint64_t sectionTable = optionalOffset + optionalSize;
    if (!rangeFits(sectionTable, std::uint64_t(sectionCount) * 40, size)) return false;
    sections.reserve(sectionCount);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint8_t* s = &bytes[sectionTable + std::uint64_t(i) * 40];
        sections.push_back({le32(s + 12), le32(s + 16), le32(s + 20)});
    }

    // The resource directory entry; a module without one holds no resources.
    const std::uint32_t countField = magic == 0x10B ? 92 : 108;
    const std::uint32_t resourceField = magic == 0x10B ? 112 : 128;
    if (optionalSize < resourceField + 8) return true;
    const std::uint8_t* opt = &bytes[optionalOffset];
    if (le32(opt + countField) < 3) return true;
    const std::uint32_t rootRva = le32(opt + resourceField);
    if (rootRva == 0) return true;
    for (const auto& s : sections) {
        if (rootRva < s.virtualAddress) continue;
        const std::uint32_t d = rootRva - s.virtualAddress;
        if (d >= s.rawSize) continue;
        const std::uint64_t start = std::uint64_t(s.rawPointer) + d;
        if (start >= size) break;
        const std::uint64_t length = std::min<std::uint64_t>(s.rawSize - d, size - start);
        area = bytes.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
        break;
    }
    return true;
}

std::optional<Directory> ResourceModule::Impl::directory(std::uint32_t offset) const {
    if (!rangeFits(offset, kDirectoryHeader, area.size())) return std::nullopt;
    const std::uint32_t count = std::uint32_t(le16(&area[offset + 12])) + le16(&area[offset + 14]);
    if (!rangeFits(std::uint64_t(offset) + kDirectoryHeader, std::uint64_t(count) * kEntrySize, area.size()))
        return std::nullopt;
    return Directory{offset, count};
}

Entry ResourceModule::Impl::entry(const Directory& dir, std::uint32_t index) const {
    const std::uint8_t* p = &area[dir.offset + kDirectoryHeader + std::size_t(index) * kEntrySize];
    return {le32(p), le32(p + 4)};
}

std::optional<std::u16string> ResourceModule::Impl::entryName(const Entry& e) const {
    const std::uint32_t off = e.nameOffset();
    if (!rangeFits(off, 2, area.size())) return std::nullopt;
    const std::uint16_t len = le16(&area[off]);
    if (!rangeFits(std::uint64_t(off) + 2, std::uint64_t(len) * 2, area.size())) return std::nullopt;
    std::u16string name(len, u'\0');
    for (std::uint32_t i = 0; i < len; ++i) name[i] = static_cast<char16_t>(le16(&area[off + 2 + 2 * i]));
    return name;
}

bool ResourceModule::Impl::nameEquals(const Entry& e, const std::u16string& upperName) const {
    const std::uint32_t off = e.nameOffset();
    if (!rangeFits(off, 2, area.size())) return false;
    const std::uint16_t len = le16(&area[off]);
    if (len != upperName.size() || !rangeFits(std::uint64_t(off) + 2, std::uint64_t(len) * 2, area.size()))
        return false;
    for (std::uint32_t i = 0; i < len; ++i)
        if (upperUnit(static_cast<char16_t>(le16(&area[off + 2 + 2 * i]))) != upperName[i]) return false;
    return true;
}

bool ResourceModule::Impl::matches(const Entry& e, const ResourceId& id, const std::u16string& upperName) const {
    if (id.isId()) return !e.isNamed() && e.id() == id.idValue();
    return e.isNamed() && nameEquals(e, upperName);
}

std::optional<Directory> ResourceModule::Impl::subdirectory(const Entry& e,
                                                            std::initializer_list<std::uint32_t> visited) const {
    if (!e.isSubdirectory()) return std::nullopt;  // a data entry above the language level is malformed
    const std::uint32_t off = e.targetOffset();
    for (std::uint32_t v : visited)
        if (v == off) return std::nullopt;  // a loop back into the tree
    return directory(off);
}

std::optional<Directory> ResourceModule::Impl::findSubdirectory(const Directory& dir, const ResourceId& id,
                                                                std::initializer_list<std::uint32_t> visited) const {
    // Resource compilers sort the entries, but a damaged or hand-made table
    // need not be sorted: every entry is looked at.
    const std::u16string upperName = id.isId() ? std::u16string() : upperResourceName(id.nameValue());
    for (std::uint32_t i = 0; i < dir.count; ++i) {
        const Entry e = entry(dir, i);
        if (!matches(e, id, upperName)) continue;
        if (auto sub = subdirectory(e, visited)) return sub;
    }
    return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> ResourceModule::Impl::chooseLanguage(const Directory& languages) const {
    std::optional<std::uint32_t> best;
    unsigned bestRank = ~0u;
    std::uint16_t bestLang = 0;
    for (std::uint32_t i = 0; i < languages.count; ++i) {
        const Entry e = entry(languages, i);
        if (e.isNamed() || e.isSubdirectory()) continue;  // the tree ends at the third level
        const std::uint16_t lang = e.id();
        const unsigned rank = languageRank(lang);
        if (!best || rank < bestRank || (rank == bestRank && rank == 4 && lang < bestLang)) {
            best = e.targetOffset();
            bestRank = rank;
            bestLang = lang;
        }
    }
    if (!best) return std::nullopt;
    return dataEntry(*best);
}

std::optional<std::span<const std::uint8_t>> ResourceModule::Impl::dataEntry(std::uint32_t offset) const {
    if (!rangeFits(offset, kDataEntrySize, area.size())) return std::nullopt;
    // OffsetToData is an RVA and may lie in any section.
    return mapRva(le32(&area[offset]), le32(&area[offset + 4]));
}

std::optional<std::span<const std::uint8_t>> ResourceModule::Impl::mapRva(std::uint32_t rva, std::uint32_t size) const {
    if (size == 0) return std::span<const std::uint8_t>();  // a legal empty resource
    for (const auto& s : sections) {
        if (rva < s.virtualAddress) continue;
        const std::uint32_t d = rva - s.virtualAddress;
        if (d >= s.rawSize) continue;  // past the raw data the section holds only zeros in memory
        if (size > s.rawSize - d) return std::nullopt;
        const std::uint64_t off = std::uint64_t(s.rawPointer) + d;
        if (!rangeFits(off, size, bytes.size())) return std::nullopt;
        return bytes.subspan(static_cast<std::size_t>(off), size);
    }
    return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> ResourceModule::Impl::stringBlock(std::uint16_t block) const {
    if (block == cachedBlock) return cachedBlockData;
    if (!stringIndexBuilt) {
        stringIndexBuilt = true;
        if (auto root = directory(0)) {
            if (auto dir = findSubdirectory(*root, ResourceId::id(RT_STRING), {0})) {
                stringDirectory = *dir;
                stringBlocks.reserve(dir->count);
                for (std::uint32_t i = 0; i < dir->count; ++i) {
                    const Entry e = entry(*dir, i);
                    if (!e.isNamed()) stringBlocks.emplace_back(e.id(), i);
                }
                std::stable_sort(stringBlocks.begin(), stringBlocks.end(),
                                 [](const auto& a, const auto& b) { return a.first < b.first; });
            }
        }
    }
    std::optional<std::span<const std::uint8_t>> found;
    auto it = std::lower_bound(stringBlocks.begin(), stringBlocks.end(), block,
                               [](const auto& a, std::uint16_t b) { return a.first < b; });
    // The first entry in table order that leads to a usable block wins.
    for (; it != stringBlocks.end() && it->first == block && !found; ++it) {
        if (auto languages = subdirectory(entry(stringDirectory, it->second), {0, stringDirectory.offset}))
            found = chooseLanguage(*languages);
    }
    cachedBlock = block;
    cachedBlockData = found;
    return found;
}

ResourceModule::ResourceModule() : impl_(std::make_unique<Impl>()) {}
ResourceModule::ResourceModule(ResourceModule&&) noexcept = default;
ResourceModule& ResourceModule::operator=(ResourceModule&&) noexcept = default;
ResourceModule::~ResourceModule() = default;

std::optional<ResourceModule> ResourceModule::open(const std::filesystem::path& path) {
    ResourceModule m;
    if (!m.impl_->file.open(path)) return std::nullopt;
    m.impl_->bytes = m.impl_->file.bytes();
    if (!m.impl_->parseHeaders()) return std::nullopt;
    return m;
}

std::optional<ResourceModule> ResourceModule::fromBytes(std::span<const std::uint8_t> bytes) {
    ResourceModule m;
    m.impl_->bytes = bytes;
    if (!m.impl_->parseHeaders()) return std::nullopt;
    return m;
}

std::string ResourceModule::loadString(std::uint32_t id, std::size_t maxBytes) const {
    const std::uint16_t id16 = static_cast<std::uint16_t>(id);
    const auto block = impl_->stringBlock(static_cast<std::uint16_t>((id16 >> 4) + 1));
    if (!block || maxBytes == 0) return {};
    // Sixteen counted UTF-16 strings; walk to the slot.
    ByteCursor c(*block);
    for (unsigned slot = id16 & 15; slot > 0; --slot) c.skip(std::uint64_t(c.u16()) * 2);
    const std::uint16_t length = c.u16();
    const auto units = c.bytes(std::uint64_t(length) * 2);
    if (!c.ok()) return {};  // the table ends inside the string: damaged

    // UTF-16 to cp1251: one byte per unit, one '?' per surrogate pair or
    // unpaired surrogate, '?' for what the code page lacks. The caller reads
    // a zero-terminated buffer, so an embedded NUL ends the text.
    std::string out(std::min<std::size_t>(length, maxBytes), '\0');
    const std::uint8_t* p = units.data();
    std::size_t n = 0;
    for (std::size_t i = 0; i < length && n < out.size(); ++i) {
        const char16_t unit = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        char byte;
        if (unit < 0x80) {
            if (unit == 0) break;
            byte = static_cast<char>(unit);
        } else if (unit >= 0x0410 && unit <= 0x044F) {
            byte = static_cast<char>(0xC0 + (unit - 0x0410));  // А..я
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            if (unit <= 0xDBFF && i + 1 < length) {
                const char16_t next = static_cast<char16_t>(p[2 * i + 2] | (p[2 * i + 3] << 8));
                if (next >= 0xDC00 && next <= 0xDFFF) ++i;
            }
            byte = '?';
        } else {
            byte = static_cast<char>(cp1251::fromUnicode(unit));
        }
        out[n++] = byte;
    }
    out.resize(n);
    return out;
}

std::optional<std::span<const std::uint8_t>> ResourceModule::find(const ResourceId& type,
                                                                   const ResourceId& name) const {
    const auto root = impl_->directory(0);
    if (!root) return std::nullopt;
    const auto names = impl_->findSubdirectory(*root, type, {0});
    if (!names) return std::nullopt;
    const auto languages = impl_->findSubdirectory(*names, name, {0, names->offset});
    if (!languages) return std::nullopt;
    return impl_->chooseLanguage(*languages);
}

std::vector<ResourceId> ResourceModule::names(const ResourceId& type) const {
    std::vector<ResourceId> named;
    std::vector<ResourceId> ids;
    const auto root = impl_->directory(0);
    if (!root) return named;
    const auto dir = impl_->findSubdirectory(*root, type, {0});
    if (!dir) return named;
    // Entries of a crafted table may all point at one long name: the names
    // copied out never add up to more than the resource area.
    std::uint64_t nameBytes = 0;
    for (std::uint32_t i = 0; i < dir->count; ++i) {
        const Entry e = impl_->entry(*dir, i);
        if (!e.isSubdirectory()) continue;
        if (!e.isNamed()) {
            ids.push_back(ResourceId::id(e.id()));
        } else if (auto n = impl_->entryName(e)) {
            nameBytes += 2 + 2 * std::uint64_t(n->size());
            if (nameBytes > impl_->area.size()) break;
            named.push_back(ResourceId::name(std::move(*n)));
        }
    }
    std::stable_sort(ids.begin(), ids.end(), [](const ResourceId& a, const ResourceId& b) {
        return a.idValue() < b.idValue();
    });
    named.insert(named.end(), std::make_move_iterator(ids.begin()), std::make_move_iterator(ids.end()));
    return named;
}

std::span<const std::uint8_t> ResourceModule::namedData(std::string_view cp1251Name) const {
    if (auto data = find(ResourceId::id(RT_RCDATA), ResourceId::fromText(cp1251Name))) return *data;
    throw Error(messages::resourceNotFound(cp1251Name));
}

}  // namespace kodrix
