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
// A string block holds sixteen counted strings of at most 65535 units: a
// larger block's rest is never looked at, so it is never read.
constexpr std::uint32_t kMaxStringBlockBytes = 16 * (2 + 2 * 65535);

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
    const std::uint8_t* entries = nullptr;  // count 8-byte entries, read in
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
    // The module's bytes: in memory (fromBytes), or read from the file as
    // they are asked for (open), so a look at the headers and one resource
    // reads little of a large module.
    FileBytes file;
    std::span<const std::uint8_t> memory;
    std::uint64_t size = 0;
    std::vector<Section> sections;
    // The resource area: from the root directory to the end of its section's
    // raw data. The directory size in the header is not relied on (the loader
    // does not use it either); every offset is checked against this area.
    std::uint64_t areaStart = 0;
    std::uint64_t areaSize = 0;

    // The bytes [off, off + len) of the module, or null when they lie
    // outside it or cannot be read.
    const std::uint8_t* at(std::uint64_t off, std::uint64_t len) const {
        static constexpr std::uint8_t kNothing = 0;
        if (!rangeFits(off, len, size)) return nullptr;
        if (len == 0) return &kNothing;  // an empty range in bounds is there
        if (!file.isOpen()) return memory.data() + off;
        auto got = file.read(off, len);
        return got ? got->data() : nullptr;
    }
    std::optional<std::span<const std::uint8_t>> span(std::uint64_t off, std::uint64_t len) const {
        if (len == 0) return std::span<const std::uint8_t>();
        const std::uint8_t* p = at(off, len);
        if (!p) return std::nullopt;
        return std::span<const std::uint8_t>(p, static_cast<std::size_t>(len));
    }
    // The same inside the resource area.
    const std::uint8_t* areaAt(std::uint64_t off, std::uint64_t len) const {
        if (!rangeFits(off, len, areaSize)) return nullptr;
        return at(areaStart + off, len);
    }

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
    // The chosen resource's bytes, at most maxBytes of them (the rest is
    // never read).
    std::optional<std::span<const std::uint8_t>> chooseLanguage(const Directory& languages,
                                                                std::uint32_t maxBytes = UINT32_MAX) const;
    std::optional<std::span<const std::uint8_t>> dataEntry(std::uint32_t offset, std::uint32_t maxBytes) const;
    std::optional<std::span<const std::uint8_t>> mapRva(std::uint32_t rva, std::uint32_t length,
                                                        std::uint32_t maxBytes) const;

    std::optional<std::span<const std::uint8_t>> stringBlock(std::uint16_t block) const;
};

bool ResourceModule::Impl::parseHeaders() {
    const std::uint8_t* dos = at(0, 0x40);
    if (!dos || dos[0] != 'M' || dos[1] != 'Z') return false;
    const std::uint32_t peOffset = le32(dos + 0x3C);
    constexpr std::uint32_t kFileHeader = 24;  // "PE\0\0" and the COFF header
    const std::uint8_t* pe = at(peOffset, kFileHeader);
    if (!pe || le32(pe) != 0x00004550) return false;  // "PE\0\0"
    // Machine (bytes 4-5): a resource-only module is read whatever its processor.
    const std::uint16_t sectionCount = le16(pe + 6);
    const std::uint16_t optionalSize = le16(pe + 20);
    const std::uint64_t optionalOffset = std::uint64_t(peOffset) + kFileHeader;
    if (optionalSize < 2) return false;
    const std::uint8_t* opt = at(optionalOffset, optionalSize);
    if (!opt) return false;
    const std::uint16_t magic = le16(opt);
    if (magic != 0x10B && magic != 0x20B) return false;

    const std::uint64_t sectionTable = optionalOffset + optionalSize;
    const std::uint8_t* table = at(sectionTable, std::uint64_t(sectionCount) * 40);
    if (!table && sectionCount > 0) return false;
    sections.reserve(sectionCount);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint8_t* sec = table + std::size_t(i) * 40;
        sections.push_back({le32(sec + 12), le32(sec + 16), le32(sec + 20)});
    }

    // The resource directory entry; a module without one holds no resources.
    const std::uint32_t countField = magic == 0x10B ? 92 : 108;
    const std::uint32_t resourceField = magic == 0x10B ? 112 : 128;
    if (optionalSize < resourceField + 8) return true;
    if (le32(opt + countField) < 3) return true;
    const std::uint32_t rootRva = le32(opt + resourceField);
    if (rootRva == 0) return true;
    for (const auto& sec : sections) {
        if (rootRva < sec.virtualAddress) continue;
        const std::uint32_t d = rootRva - sec.virtualAddress;
        if (d >= sec.rawSize) continue;
        const std::uint64_t start = std::uint64_t(sec.rawPointer) + d;
        if (start >= size) break;
        areaStart = start;
        areaSize = std::min<std::uint64_t>(sec.rawSize - d, size - start);
        break;
    }
    return true;
}

std::optional<Directory> ResourceModule::Impl::directory(std::uint32_t offset) const {
    const std::uint8_t* header = areaAt(offset, kDirectoryHeader);
    if (!header) return std::nullopt;
    const std::uint32_t count = std::uint32_t(le16(header + 12)) + le16(header + 14);
    const std::uint8_t* entries = areaAt(std::uint64_t(offset) + kDirectoryHeader, std::uint64_t(count) * kEntrySize);
    if (!entries && count > 0) return std::nullopt;
    return Directory{offset, count, entries};
}

Entry ResourceModule::Impl::entry(const Directory& dir, std::uint32_t index) const {
    const std::uint8_t* p = dir.entries + std::size_t(index) * kEntrySize;
    return {le32(p), le32(p + 4)};
}

std::optional<std::u16string> ResourceModule::Impl::entryName(const Entry& e) const {
    const std::uint32_t off = e.nameOffset();
    const std::uint8_t* head = areaAt(off, 2);
    if (!head) return std::nullopt;
    const std::uint16_t len = le16(head);
    const std::uint8_t* units = areaAt(std::uint64_t(off) + 2, std::uint64_t(len) * 2);
    if (!units && len > 0) return std::nullopt;
    std::u16string name(len, u'\0');
    for (std::uint32_t i = 0; i < len; ++i) name[i] = static_cast<char16_t>(le16(units + 2 * i));
    return name;
}

bool ResourceModule::Impl::nameEquals(const Entry& e, const std::u16string& upperName) const {
    const std::uint32_t off = e.nameOffset();
    const std::uint8_t* head = areaAt(off, 2);
    if (!head) return false;
    const std::uint16_t len = le16(head);
    if (len != upperName.size()) return false;
    const std::uint8_t* units = areaAt(std::uint64_t(off) + 2, std::uint64_t(len) * 2);
    if (!units && len > 0) return false;
    for (std::uint32_t i = 0; i < len; ++i)
        if (upperUnit(static_cast<char16_t>(le16(units + 2 * i))) != upperName[i]) return false;
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

std::optional<std::span<const std::uint8_t>> ResourceModule::Impl::chooseLanguage(const Directory& languages,
                                                                                  std::uint32_t maxBytes) const {
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
    return dataEntry(*best, maxBytes);
}

std::optional<std::span<const std::uint8_t>> ResourceModule::Impl::dataEntry(std::uint32_t offset,
                                                                             std::uint32_t maxBytes) const {
    const std::uint8_t* e = areaAt(offset, kDataEntrySize);
    if (!e) return std::nullopt;
    // OffsetToData is an RVA and may lie in any section.
    return mapRva(le32(e), le32(e + 4), maxBytes);
}

std::optional<std::span<const std::uint8_t>> ResourceModule::Impl::mapRva(std::uint32_t rva, std::uint32_t length,
                                                                          std::uint32_t maxBytes) const {
    if (length == 0) return std::span<const std::uint8_t>();  // a legal empty resource
    for (const auto& sec : sections) {
        if (rva < sec.virtualAddress) continue;
        const std::uint32_t d = rva - sec.virtualAddress;
        if (d >= sec.rawSize) continue;  // past the raw data the section holds only zeros in memory
        if (length > sec.rawSize - d) return std::nullopt;
        const std::uint64_t off = std::uint64_t(sec.rawPointer) + d;
        if (!rangeFits(off, length, size)) return std::nullopt;
        return span(off, std::min(length, maxBytes));
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
            found = chooseLanguage(*languages, kMaxStringBlockBytes);
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
    auto file = FileHandle::open(path);
    if (!file) return std::nullopt;
    return open(std::move(*file));
}

std::optional<ResourceModule> ResourceModule::open(FileHandle&& file) {
    auto bytes = FileBytes::open(std::move(file));
    if (!bytes) return std::nullopt;
    return open(std::move(*bytes));
}

std::optional<ResourceModule> ResourceModule::open(FileBytes&& file) {
    ResourceModule m;
    m.impl_->file = std::move(file);
    m.impl_->size = m.impl_->file.size();
    if (!m.impl_->parseHeaders()) return std::nullopt;
    return m;
}

std::optional<ResourceModule> ResourceModule::fromBytes(std::span<const std::uint8_t> bytes) {
    ResourceModule m;
    m.impl_->memory = bytes;
    m.impl_->size = bytes.size();
    if (!m.impl_->parseHeaders()) return std::nullopt;
    return m;
}

std::size_t ResourceModule::bytesRead() const { return impl_->file.bytesLoaded(); }

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

std::optional<std::span<const std::uint8_t>> ResourceModule::find(const ResourceId& type, const ResourceId& name,
                                                                   std::uint32_t maxBytes) const {
    const auto root = impl_->directory(0);
    if (!root) return std::nullopt;
    const auto names = impl_->findSubdirectory(*root, type, {0});
    if (!names) return std::nullopt;
    const auto languages = impl_->findSubdirectory(*names, name, {0, names->offset});
    if (!languages) return std::nullopt;
    return impl_->chooseLanguage(*languages, maxBytes);
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
            if (nameBytes > impl_->areaSize) break;
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
