#include "PeWriter.h"

#include "catalogue/Cp1251.h"
#include "PackError.h"
#include "catalogue/ByteWriter.h"
#include "catalogue/TextList.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>

namespace kodrix::pack {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kHeadersSize = 0x200;        // MZ, PE headers and one section header, rounded
constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kPeOffset = 0x40;
constexpr std::uint32_t kOptionalHeaderSize = 0xE0;  // PE32 with 16 data directories
// The image must stay addressable with 32-bit RVAs.
constexpr std::uint64_t kMaxTreeSize = 0x7FFF0000u;

std::uint64_t alignUp(std::uint64_t v, std::uint64_t a) { return (v + a - 1) / a * a; }

kodrix::ResourceId stored(const kodrix::ResourceId& id) {
    if (id.isId()) return id;
    return kodrix::ResourceId::name(kodrix::upperResourceName(id.nameValue()));
}

// The tree to write, as views of the data (blocks made from strings live in
// build()'s own storage).
using LanguageView = std::map<std::uint16_t, std::span<const std::uint8_t>>;
using NameView = std::map<kodrix::ResourceId, LanguageView, ResourceIdOrder>;
using TreeView = std::map<kodrix::ResourceId, NameView, ResourceIdOrder>;

// The .rsrc section as windres and ld write it: every directory table
// breadth-first from offset 0, then the name strings, then the data entries,
// then the data, each piece aligned to 8.
Bytes layOutTree(const TreeView& tree) {
    std::uint64_t dirSize = 16 + 8 * std::uint64_t(tree.size());
    std::uint64_t namesSize = 0;
    std::uint64_t leafCount = 0;
    auto nameBytes = [](const kodrix::ResourceId& id) -> std::uint64_t {
        return id.isId() ? 0 : 2 + 2 * std::uint64_t(id.nameValue().size());
    };
    for (const auto& [type, names] : tree) {
        dirSize += 16 + 8 * std::uint64_t(names.size());
        namesSize += nameBytes(type);
        for (const auto& [name, langs] : names) {
            dirSize += 16 + 8 * std::uint64_t(langs.size());
            namesSize += nameBytes(name);
            leafCount += langs.size();
        }
    }
    const std::uint64_t dataEntriesStart = alignUp(dirSize + namesSize, 8);
    std::uint64_t end = dataEntriesStart + 16 * leafCount;
    for (const auto& [type, names] : tree)
        for (const auto& [name, langs] : names)
            for (const auto& [lang, data] : langs) end = alignUp(end, 8) + data.size();
    if (end > kMaxTreeSize) throw PackError("Resource module too large");

    Bytes out(static_cast<std::size_t>(end), 0);
    std::uint32_t nextDir = 0;
    std::uint32_t nextName = static_cast<std::uint32_t>(dirSize);
    std::uint32_t nextLeaf = static_cast<std::uint32_t>(dataEntriesStart);
    std::uint32_t nextData = static_cast<std::uint32_t>(dataEntriesStart + 16 * leafCount);

    auto writeHeader = [&](std::uint32_t at, std::uint32_t named, std::uint32_t ids) {
        put16(out, at + 12, named);
        put16(out, at + 14, ids);
    };
    auto countNamed = [](const auto& map) {
        std::uint32_t n = 0;
        for (const auto& kv : map) n += kv.first.isId() ? 0 : 1;
        return n;
    };
    auto writeName = [&](const kodrix::ResourceId& id) -> std::uint32_t {
        if (id.isId()) return id.idValue();
        const auto& s = id.nameValue();
        const std::uint32_t at = nextName;
        put16(out, at, static_cast<std::uint32_t>(s.size()));
        for (std::size_t i = 0; i < s.size(); ++i) put16(out, at + 2 + 2 * i, s[i]);
        nextName += static_cast<std::uint32_t>(2 + 2 * s.size());
        return 0x80000000u | at;
    };
    auto allocDir = [&](std::size_t entries) {
        const std::uint32_t at = nextDir;
        nextDir += static_cast<std::uint32_t>(16 + 8 * entries);
        return at;
    };

    // Breadth-first: the root, then all type tables, then all language tables.
    const std::uint32_t root = allocDir(tree.size());
    writeHeader(root, countNamed(tree), static_cast<std::uint32_t>(tree.size()) - countNamed(tree));
    std::vector<std::uint32_t> typeDirs;
    std::size_t i = 0;
    for (const auto& [type, names] : tree) {
        const std::uint32_t at = allocDir(names.size());
        typeDirs.push_back(at);
        writeHeader(at, countNamed(names), static_cast<std::uint32_t>(names.size()) - countNamed(names));
        put32(out, root + 16 + 8 * i, writeName(type));
        put32(out, root + 16 + 8 * i + 4, 0x80000000u | at);
        ++i;
    }
    std::size_t t = 0;
    for (const auto& [type, names] : tree) {
        std::size_t n = 0;
        for (const auto& [name, langs] : names) {
            const std::uint32_t at = allocDir(langs.size());
            writeHeader(at, 0, static_cast<std::uint32_t>(langs.size()));
            put32(out, typeDirs[t] + 16 + 8 * n, writeName(name));
            put32(out, typeDirs[t] + 16 + 8 * n + 4, 0x80000000u | at);
            std::size_t l = 0;
            for (const auto& [lang, data] : langs) {
                nextData = static_cast<std::uint32_t>(alignUp(nextData, 8));
                put32(out, at + 16 + 8 * l, lang);
                put32(out, at + 16 + 8 * l + 4, nextLeaf);
                put32(out, nextLeaf, kSectionRva + nextData);  // OffsetToData is an RVA
                put32(out, nextLeaf + 4, static_cast<std::uint32_t>(data.size()));
                if (!data.empty()) std::memcpy(out.data() + nextData, data.data(), data.size());
                nextData += static_cast<std::uint32_t>(data.size());
                nextLeaf += 16;
                ++l;
            }
            ++n;
        }
        ++t;
    }
    return out;
}

}  // namespace

bool ResourceIdOrder::operator()(const kodrix::ResourceId& a, const kodrix::ResourceId& b) const {
    if (a.isId() != b.isId()) return !a.isId();  // names before IDs
    if (a.isId()) return a.idValue() < b.idValue();
    return a.nameValue() < b.nameValue();  // code-unit order
}

void PeResourceWriter::add(const kodrix::ResourceId& type, const kodrix::ResourceId& name, std::uint16_t language,
                           std::vector<std::uint8_t> data) {
    resources_[stored(type)][stored(name)][language] = std::move(data);
}

void PeResourceWriter::addString(std::uint32_t id, std::string_view cp1251Text) {
    if (id > 0xFFFF) throw PackError("String ID " + std::to_string(id) + " does not fit 16 bits");
    if (cp1251Text.size() > 0xFFFF) throw PackError("String " + std::to_string(id) + " is too long");
    strings_[static_cast<std::uint16_t>(id)] = kodrix::cp1251::toUtf16(cp1251Text);
}

void PeResourceWriter::addRcData(std::string_view cp1251Name, std::vector<std::uint8_t> data) {
    add(kodrix::ResourceId::id(kodrix::RT_RCDATA), kodrix::ResourceId::fromText(cp1251Name), 0, std::move(data));
}

std::vector<std::uint8_t> PeResourceWriter::build() const {
    TreeView tree;
    for (const auto& [type, names] : resources_)
        for (const auto& [name, langs] : names)
            for (const auto& [lang, data] : langs) tree[type][name][lang] = data;

    // String blocks: sixteen counted UTF-16 strings each, block (id >> 4) + 1.
    std::vector<Bytes> blocks;
    std::vector<std::uint16_t> blockIds;
    for (auto it = strings_.begin(); it != strings_.end();) {
        const std::uint16_t block = static_cast<std::uint16_t>((it->first >> 4) + 1);
        std::array<const std::u16string*, 16> slots{};
        for (; it != strings_.end() && (it->first >> 4) + 1 == block; ++it) slots[it->first & 15] = &it->second;
        Bytes data;
        for (const auto* s : slots) {
            const std::size_t len = s ? s->size() : 0;
            data.push_back(static_cast<std::uint8_t>(len));
            data.push_back(static_cast<std::uint8_t>(len >> 8));
            for (std::size_t k = 0; k < len; ++k) {
                data.push_back(static_cast<std::uint8_t>((*s)[k]));
                data.push_back(static_cast<std::uint8_t>((*s)[k] >> 8));
            }
        }
        blocks.push_back(std::move(data));
        blockIds.push_back(block);
    }
    for (std::size_t b = 0; b < blocks.size(); ++b)
        tree[kodrix::ResourceId::id(kodrix::RT_STRING)][kodrix::ResourceId::id(blockIds[b])][0] = blocks[b];

    const Bytes section = layOutTree(tree);
    const std::uint32_t treeSize = static_cast<std::uint32_t>(section.size());
    const std::uint32_t rawSize = static_cast<std::uint32_t>(alignUp(treeSize, kFileAlignment));
    const std::uint32_t imageSize = static_cast<std::uint32_t>(kSectionRva + alignUp(std::max(treeSize, 1u), kSectionAlignment));

    Bytes out(kHeadersSize + std::size_t(rawSize), 0);
    // MZ header without a DOS program.
    out[0] = 'M';
    out[1] = 'Z';
    put16(out, 0x02, 0x90);    // bytes on the last page
    put16(out, 0x04, 3);       // pages
    put16(out, 0x08, 4);       // header paragraphs
    put16(out, 0x0C, 0xFFFF);  // maximum allocation
    put16(out, 0x10, 0xB8);    // initial SP
    put16(out, 0x18, 0x40);    // e_lfarlc: a new-format executable
    put32(out, 0x3C, kPeOffset);

    std::size_t p = kPeOffset;
    put32(out, p, 0x00004550);  // "PE\0\0"
    put16(out, p + 4, 0x014C);  // i386
    put16(out, p + 6, 1);       // one section
    put16(out, p + 20, kOptionalHeaderSize);
    put16(out, p + 22, 0x2102);  // DLL, 32-bit machine, executable image

    const std::size_t o = p + 24;
    put16(out, o + 0, 0x10B);  // PE32
    out[o + 2] = 2;            // linker version
    out[o + 3] = 0x26;
    put32(out, o + 8, rawSize);  // SizeOfInitializedData
    put32(out, o + 16, 0);       // no entry point: a resource-only DLL
    put32(out, o + 20, kSectionRva);
    put32(out, o + 24, kSectionRva);
    put32(out, o + 28, 0x10000000);  // ImageBase
    put32(out, o + 32, kSectionAlignment);
    put32(out, o + 36, kFileAlignment);
    put16(out, o + 40, 4);  // OS version 4.0
    put16(out, o + 48, 4);  // subsystem version 4.0
    put32(out, o + 56, imageSize);
    put32(out, o + 60, kHeadersSize);
    put16(out, o + 68, 2);  // Windows GUI subsystem
    put32(out, o + 72, 0x100000);
    put32(out, o + 76, 0x1000);
    put32(out, o + 80, 0x100000);
    put32(out, o + 84, 0x1000);
    put32(out, o + 92, 16);  // data directories
    put32(out, o + 96 + 2 * 8, kSectionRva);
    put32(out, o + 96 + 2 * 8 + 4, treeSize);

    const std::size_t s = o + kOptionalHeaderSize;
    std::memcpy(out.data() + s, ".rsrc", 5);
    put32(out, s + 8, treeSize);  // VirtualSize
    put32(out, s + 12, kSectionRva);
    put32(out, s + 16, rawSize);
    put32(out, s + 20, kHeadersSize);
    put32(out, s + 36, 0x40000040);  // initialized data, readable

    std::memcpy(out.data() + kHeadersSize, section.data(), section.size());
    return out;
}

void PeResourceWriter::writeFile(const std::filesystem::path& path) const {
    const Bytes bytes = build();
    auto fail = [&](int err) { throwCannotCreate(path, err); };
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) fail(errno);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) fail(errno ? errno : EIO);
    if (std::fclose(file.release()) != 0) fail(errno);
}

}  // namespace kodrix::pack
