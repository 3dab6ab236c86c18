#include "catalogue/ByteCursor.h"
#include "catalogue/IconLibrary.h"
#include "catalogue/NeResources.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

using namespace kodrix;

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, std::uint16_t(v));
    put16(b, at + 2, std::uint16_t(v >> 16));
}
void add16(Bytes& b, std::uint16_t v) { put16(b, b.size(), v); }
void add32(Bytes& b, std::uint32_t v) { put32(b, b.size(), v); }

// An NE file laid out by hand: MZ header, NE header at 0x40, the resource
// table given at 0x80 (resident names right after it), then the blobs
// placed at their absolute offsets.
struct NeFile {
    Bytes table;
    std::vector<std::pair<std::size_t, Bytes>> blobs;

    Bytes build() const {
        Bytes f(0x80, 0);
        f[0] = 'M';
        f[1] = 'Z';
        put32(f, 0x3C, 0x40);
        f[0x40] = 'N';
        f[0x41] = 'E';
        put16(f, 0x40 + 0x24, 0x40);
        put16(f, 0x40 + 0x26, std::uint16_t(0x40 + table.size()));
        f.insert(f.end(), table.begin(), table.end());
        for (const auto& [at, data] : blobs) {
            if (f.size() < at + data.size()) f.resize(at + data.size());
            std::copy(data.begin(), data.end(), f.begin() + std::ptrdiff_t(at));
        }
        return f;
    }
};

// TYPEINFO header; NAMEINFO records follow with nameInfo().
void typeInfo(Bytes& t, std::uint16_t type, std::uint16_t count) {
    add16(t, type);
    add16(t, count);
    add32(t, 0);
}
void nameInfo(Bytes& t, std::uint16_t offset, std::uint16_t length, std::uint16_t id) {
    add16(t, offset);
    add16(t, length);
    add16(t, 0x1010);
    add16(t, id);
    add32(t, 0);
}

// A group resource: (width, bit count, dwBytesInRes, nID) per entry.
struct GroupEntry { std::uint8_t width; std::uint16_t bits; std::uint32_t bytesInRes; std::uint16_t id; };
Bytes groupResource(const std::vector<GroupEntry>& entries) {
    Bytes g;
    add16(g, 0);
    add16(g, 1);
    add16(g, std::uint16_t(entries.size()));
    for (const auto& e : entries) {
        g.push_back(e.width);
        g.push_back(e.width);
        g.push_back(0);
        g.push_back(0);
        add16(g, 1);
        add16(g, e.bits);
        add32(g, e.bytesInRes);
        add16(g, e.id);
    }
    return g;
}

Bytes filled(std::size_t n, std::uint8_t v) { return Bytes(n, v); }

std::span<const std::uint8_t> view(const Bytes& b) { return b; }

// A library (shift 4) of RT_ICON 1..3 (16, 32, 48 bytes of 0x11, 0x22, 0x33)
// and groups with IDs 5, 1, 9 in that table order.
Bytes sampleLibrary() {
    NeFile ne;
    Bytes& t = ne.table;
    add16(t, 4);
    typeInfo(t, 0x8003, 3);
    nameInfo(t, 0x20, 1, 0x8001);
    nameInfo(t, 0x21, 2, 0x8002);
    nameInfo(t, 0x23, 3, 0x8003);
    typeInfo(t, 0x800E, 3);
    nameInfo(t, 0x26, 2, 0x8005);
    nameInfo(t, 0x28, 3, 0x8001);
    nameInfo(t, 0x2B, 2, 0x8009);
    add16(t, 0);
    t.push_back(0);
    ne.blobs = {{0x200, filled(16, 0x11)}, {0x210, filled(32, 0x22)}, {0x230, filled(48, 0x33)},
                {0x260, groupResource({{16, 4, 16, 1}})},
                {0x280, groupResource({{32, 8, 32, 2}, {48, 32, 48, 3}})},
                {0x2B0, groupResource({{32, 32, 32, 2}})}};
    Bytes file = ne.build();
    file.resize(0x2D0);  // the last group padded to its 32 bytes
    return file;
}

struct IcoDirEntry { std::uint8_t width; std::uint16_t bits; std::uint32_t size; std::uint32_t offset; };
std::vector<IcoDirEntry> icoDirectory(const Bytes& ico) {
    std::vector<IcoDirEntry> out;
    const unsigned n = ico[4] | (ico[5] << 8);
    for (unsigned i = 0; i < n; ++i) {
        const std::uint8_t* p = ico.data() + 6 + 16 * i;
        out.push_back({p[0], le16(p + 6), le32(p + 8), le32(p + 12)});
    }
    return out;
}

}  // namespace

TEST(NeResources, RecordsInTableOrderWithNamesAndAlignedBytes) {
    NeFile ne;
    Bytes& t = ne.table;
    add16(t, 9);  // 512-byte units
    typeInfo(t, 0x800E, 2);
    nameInfo(t, 2, 1, 0x8007);
    nameInfo(t, 3, 2, 0x8002);
    // A named type "MYDATA" holding a resource named "BLOB".
    const std::uint16_t typeNameOffset = std::uint16_t(2 + 8 + 24 + 8 + 12 + 2);
    typeInfo(t, typeNameOffset, 1);
    nameInfo(t, 5, 1, std::uint16_t(typeNameOffset + 7));
    add16(t, 0);
    t.push_back(6);
    t.insert(t.end(), {'M', 'Y', 'D', 'A', 'T', 'A'});
    t.push_back(4);
    t.insert(t.end(), {'B', 'L', 'O', 'B'});
    t.push_back(0);
    ne.blobs = {{0x400, filled(512, 1)}, {0x600, filled(1024, 2)}, {0xA00, filled(100, 3)}};
    const Bytes file = ne.build();

    auto table = NeResources::parse(file);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->alignShift(), 9u);
    ASSERT_EQ(table->all().size(), 3u);
    auto groups = table->ofType(14);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].idNumber(), 7);  // table order, not ID order
    EXPECT_EQ(groups[1].idNumber(), 2);
    auto second = table->bytes(groups[1]);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->data(), file.data() + 0x600);  // rnOffset << shift
    EXPECT_EQ(second->size(), 1024u);                 // rnLength in alignment units

    auto named = table->ofType("mydata");
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(table->typeName(named[0]), "MYDATA");
    EXPECT_EQ(table->name(named[0]), "BLOB");
    // The last resource is cut at the end of the file rather than dropped.
    EXPECT_EQ(table->bytes(named[0])->size(), 100u);
    EXPECT_FALSE(table->find(14, 3));
    EXPECT_EQ(table->find(14, 2)->offset, 3);
}

TEST(NeResources, DamagedHeadersAndTablesAreRejected) {
    const Bytes good = sampleLibrary();
    ASSERT_TRUE(NeResources::parse(good));
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
    };
    const Case cases[] = {
        {"no MZ", [](Bytes& f) { f[0] = 'X'; }},
        {"NE offset past the end", [](Bytes& f) { put32(f, 0x3C, std::uint32_t(f.size())); }},
        {"NE offset near 4 GiB", [](Bytes& f) { put32(f, 0x3C, 0xFFFFFFF0u); }},
        {"NE header cut short", [](Bytes& f) { put32(f, 0x3C, std::uint32_t(f.size() - 0x20)); }},
        {"no NE signature", [](Bytes& f) { f[0x41] = 'X'; }},
        {"table past the end", [](Bytes& f) { put16(f, 0x40 + 0x24, 0xFFF0); }},
        {"shift too large", [](Bytes& f) { put16(f, 0x80, 40); }},
        {"count beyond the file", [](Bytes& f) { put16(f, 0x80 + 4, 0xFFFF); }},
        {"no end of types", [](Bytes& f) {
             f.resize(0x80 + 2 + 8 + 36);  // cut right after the first type's records
         }},
    };
    for (const auto& c : cases) {
        Bytes f = good;
        c.damage(f);
        EXPECT_FALSE(NeResources::parse(f)) << c.what;
        EXPECT_FALSE(iconGroupAsIcoFromBytes(f, 0)) << c.what;
        EXPECT_EQ(iconGroupCountFromBytes(f), 0u) << c.what;
    }
    // A module whose resource table offset equals the resident names' has no resources.
    Bytes none = good;
    put16(none, 0x40 + 0x26, 0x40);
    auto empty = NeResources::parse(none);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->all().empty());
    // Exactly fitting data is read; one byte less cuts the last resource.
    auto table = NeResources::parse(good);
    EXPECT_EQ(table->bytes(table->all().back())->size(), 32u);
    Bytes shorter(good.begin(), good.end() - 1);
    auto cut = NeResources::parse(shorter);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->bytes(cut->all().back())->size(), 31u);
}

TEST(IconLibrary, IconIndexIsTheGroupsTablePositionNotItsId) {
    const Bytes lib = sampleLibrary();
    EXPECT_EQ(iconGroupCountFromBytes(lib), 3u);
    // index 0 = group 5 (one 16-byte image), index 1 = group 1 (two), index 2 = group 9.
    auto first = iconGroupAsIcoFromBytes(lib, 0);
    ASSERT_TRUE(first);
    ASSERT_EQ(icoDirectory(*first).size(), 1u);
    EXPECT_EQ(icoDirectory(*first)[0].width, 16);
    EXPECT_EQ(icoDirectory(*iconGroupAsIcoFromBytes(lib, 1)).size(), 2u);
    EXPECT_EQ(icoDirectory(*iconGroupAsIcoFromBytes(lib, 2))[0].bits, 32);
    EXPECT_FALSE(iconGroupAsIcoFromBytes(lib, 3));
    EXPECT_FALSE(iconGroupAsIcoFromBytes(lib, 65535));
}

TEST(IconLibrary, GroupRebuildWritesOffsetsFromWhatItCopies) {
    // Image 1 has 32 bytes stored (rounded), 20 true; image 2 is missing;
    // image 3 claims 1000 bytes but only 48 are stored.
    const Bytes group = groupResource({{32, 4, 20, 1}, {16, 4, 10, 2}, {48, 32, 1000, 3}});
    const Bytes one = filled(32, 0xA1), three = filled(48, 0xC3);
    auto ico = icoFromIconGroup(group, [&](std::uint16_t id, std::uint64_t) -> std::optional<std::span<const std::uint8_t>> {
        if (id == 1) return view(one);
        if (id == 3) return view(three);
        return std::nullopt;
    }, 1 << 20);
    ASSERT_TRUE(ico);
    auto dir = icoDirectory(*ico);
    ASSERT_EQ(dir.size(), 2u);
    EXPECT_EQ(dir[0].size, 20u);
    EXPECT_EQ(dir[0].offset, 6u + 2 * 16);
    EXPECT_EQ(dir[1].size, 48u);
    EXPECT_EQ(dir[1].offset, 6u + 2 * 16 + 20);
    EXPECT_EQ(ico->size(), 6u + 2 * 16 + 20 + 48);
    EXPECT_EQ((*ico)[dir[1].offset], 0xC3);
    EXPECT_EQ(ico->back(), 0xC3);

    auto none = [](std::uint16_t, std::uint64_t) -> std::optional<std::span<const std::uint8_t>> { return std::nullopt; };
    EXPECT_FALSE(icoFromIconGroup(group, none, 1 << 20)) << "no image left";
    Bytes cursor = group;
    cursor[2] = 2;  // a cursor group
    EXPECT_FALSE(icoFromIconGroup(cursor, none, 1 << 20));
    auto always = [&](std::uint16_t, std::uint64_t) -> std::optional<std::span<const std::uint8_t>> { return view(three); };
    // A declared count larger than the group holds takes the entries present.
    Bytes overstated = groupResource({{32, 4, 48, 3}});
    put16(overstated, 4, 50);
    auto single = icoFromIconGroup(overstated, always, 1 << 20);
    ASSERT_TRUE(single);
    EXPECT_EQ(icoDirectory(*single).size(), 1u);
}

TEST(IconLibrary, IcoFileIsALibraryOfOneIcon) {
    const Bytes images[] = {filled(40, 1), filled(24, 2)};
    std::vector<IcoImage> entries(2);
    entries[0].width = 32;
    entries[0].bitCount = 8;
    entries[0].data = images[0];
    entries[1].width = 16;
    entries[1].bitCount = 4;
    entries[1].data = images[1];
    const Bytes ico = writeIco(entries);

    test::TempDir dir;
    auto path = dir.write("one.ico", std::string(ico.begin(), ico.end()));
    EXPECT_EQ(iconGroupCount(path), 1u);
    auto again = iconGroupAsIco(path, 0);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, ico);
    EXPECT_FALSE(iconGroupAsIco(path, 1));

    // An image running past the end is cut there; one starting beyond it is left out.
    Bytes damaged = ico;
    put32(damaged, 6 + 8, 1000);
    put32(damaged, 6 + 16 + 12, 5000);
    auto read = readIcoDirectory(damaged);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 1u);
    EXPECT_EQ((*read)[0].data.size(), ico.size() - (6 + 32));
    EXPECT_FALSE(readIcoDirectory(damaged, /*strict=*/true));
}

TEST(IconLibrary, MissingAndForeignFilesHoldNoIcons) {
    test::TempDir dir;
    const std::pair<const char*, std::string> files[] = {
        {"empty.icl", ""},
        {"text.icl", "just some text, not a module"},
        {"mz.icl", std::string("MZ") + std::string(100, '\0')},
    };
    for (const auto& [name, bytes] : files) {
        auto p = dir.write(name, bytes);
        EXPECT_EQ(iconGroupCount(p), 0u) << name;
        EXPECT_FALSE(iconGroupAsIco(p, 0)) << name;
    }
    EXPECT_EQ(iconGroupCount(dir.path() / "gone.icl"), 0u);
    EXPECT_FALSE(iconGroupAsIco(dir.path() / "gone.icl", 0));
    EXPECT_FALSE(iconGroupAsIco(dir.path(), 0));
}

TEST(IconLibrary, PeModuleGroupsRebuildTheIconTheyWereMadeFrom) {
    // data.dll (MinGW windres) holds four groups made from small.ico.
    const std::filesystem::path fixtures = std::filesystem::path(KODRIX_SOURCE_DIR) / "tests/fixtures/pe";
    std::ifstream in(fixtures / "small.ico", std::ios::binary);
    const Bytes original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(iconGroupCount(fixtures / "data.dll"), 4u);
    for (unsigned i = 0; i < 4; ++i) {
        auto ico = iconGroupAsIco(fixtures / "data.dll", i);
        ASSERT_TRUE(ico) << i;
        EXPECT_EQ(*ico, original) << i;
    }
    EXPECT_FALSE(iconGroupAsIco(fixtures / "data.dll", 4));
    EXPECT_EQ(iconGroupCount(fixtures / "strings.dll"), 0u);
}

TEST(IconLibrary, GroupNamingAnImageAgainTakesItOnce) {
    // Image 1 is most of the file, so naming it again adds up past the
    // file's size; the group still gives its icon, with the image once.
    struct Case {
        const char* what;
        std::vector<GroupEntry> entries;
        std::size_t images;
    };
    const Case cases[] = {
        {"twice", {{32, 32, 0x600, 1}, {32, 32, 0x600, 1}}, 1},
        {"a thousand times", std::vector<GroupEntry>(1000, GroupEntry{32, 32, 0x600, 1}), 1},
        {"again after another", {{32, 32, 0x600, 1}, {16, 4, 16, 2}, {32, 32, 0x600, 1}}, 2},
    };
    for (const auto& c : cases) {
        const Bytes group = groupResource(c.entries);
        NeFile ne;
        Bytes& t = ne.table;
        add16(t, 4);
        typeInfo(t, 0x8003, 2);
        nameInfo(t, 0x40, 0x60, 0x8001);  // 0x600 bytes at 0x400
        nameInfo(t, 0xA0, 1, 0x8002);     // 16 bytes at 0xA00
        typeInfo(t, 0x800E, 1);
        nameInfo(t, 0xA1, std::uint16_t((group.size() + 15) / 16), 0x8005);
        add16(t, 0);
        t.push_back(0);
        ne.blobs = {{0x400, filled(0x600, 0x11)}, {0xA00, filled(16, 0x22)}, {0xA10, group}};
        const Bytes lib = ne.build();
        std::uint64_t named = 0;
        for (const auto& e : c.entries) named += e.bytesInRes;
        ASSERT_GT(named, lib.size()) << c.what;
        auto ico = iconGroupAsIcoFromBytes(lib, 0);
        ASSERT_TRUE(ico) << c.what;
        EXPECT_EQ(icoDirectory(*ico).size(), c.images) << c.what;
        test::TempDir dir;  // the same when read from the file
        EXPECT_EQ(iconGroupAsIco(dir.write("lib.icl", std::string(lib.begin(), lib.end())), 0), ico) << c.what;
    }
    // Distinct images that together exceed the library are still damage.
    auto half = [](std::uint16_t, std::uint64_t) -> std::optional<std::span<const std::uint8_t>> {
        static const Bytes image(600, 1);
        return std::span<const std::uint8_t>(image);
    };
    EXPECT_FALSE(icoFromIconGroup(groupResource({{32, 32, 600, 1}, {32, 32, 600, 2}}), half, 1000));
}
