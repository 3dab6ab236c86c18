#include "catalogue/ResourceModule.h"

#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "support/TempDir.h"
#include "tools/pack/PeWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

using namespace kodrix;

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::filesystem::path kFixtures = std::filesystem::path(KODRIX_SOURCE_DIR) / "tests/fixtures/pe";

Bytes readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
std::string utf8(std::string_view s) { return cp1251::fromUtf8(s); }
std::string text(std::span<const std::uint8_t> s) { return std::string(s.begin(), s.end()); }
Bytes bytes(std::span<const std::uint8_t> s) { return Bytes(s.begin(), s.end()); }

void put16(Bytes& b, std::size_t off, std::uint32_t v) {
    if (b.size() < off + 2) b.resize(off + 2);
    b[off] = std::uint8_t(v);
    b[off + 1] = std::uint8_t(v >> 8);
}
void put32(Bytes& b, std::size_t off, std::uint32_t v) {
    put16(b, off, v & 0xFFFF);
    put16(b, off + 2, v >> 16);
}

struct SectionSpec {
    std::uint32_t rva;
    Bytes raw;
};

// A PE image around the given sections (raw data from file offset 0x400 on,
// each rounded to 0x200) whose resource root is at rootRva.
Bytes peImage(const std::vector<SectionSpec>& sections, bool pe32Plus = false, std::uint32_t rootRva = 0x1000) {
    Bytes b(0x400, 0);
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 0x3C, 0x80);
    put32(b, 0x80, 0x4550);
    put16(b, 0x84, pe32Plus ? 0x8664 : 0x14C);
    put16(b, 0x86, static_cast<std::uint32_t>(sections.size()));
    const std::uint32_t optSize = pe32Plus ? 0xF0 : 0xE0;
    put16(b, 0x94, optSize);
    const std::size_t opt = 0x98;
    put16(b, opt, pe32Plus ? 0x20B : 0x10B);
    put32(b, opt + (pe32Plus ? 108 : 92), 16);
    put32(b, opt + (pe32Plus ? 128 : 112), rootRva);
    put32(b, opt + (pe32Plus ? 132 : 116), 0x100);
    std::size_t table = opt + optSize;
    for (const auto& s : sections) {
        const std::uint32_t raw = static_cast<std::uint32_t>((s.raw.size() + 0x1FF) / 0x200 * 0x200);
        put32(b, table + 12, s.rva);
        put32(b, table + 16, raw);
        put32(b, table + 20, static_cast<std::uint32_t>(b.size()));
        Bytes padded = s.raw;
        padded.resize(raw, 0);
        b.insert(b.end(), padded.begin(), padded.end());
        table += 40;
    }
    return b;
}

// One resource, type → name → language → data, at fixed offsets that the
// damage cases below poke at:
//   0x00 root, entry at 0x10      0x18 names, entry at 0x28
//   0x30 languages, entry at 0x40 0x48 data entry    0x58 name string    0x60 data
constexpr std::size_t kRootEntry = 0x10, kNameEntry = 0x28, kLangEntry = 0x40, kDataEntry = 0x48, kNameString = 0x58;

Bytes oneResource(std::uint32_t typeWord, std::uint32_t nameWord, std::uint16_t lang, const Bytes& data) {
    Bytes r(0x60, 0);
    put16(r, 0x0E, 1);
    put32(r, kRootEntry, typeWord);
    put32(r, kRootEntry + 4, 0x80000018);
    if (nameWord & 0x80000000u) put16(r, 0x18 + 12, 1); else put16(r, 0x18 + 14, 1);
    put32(r, kNameEntry, nameWord);
    put32(r, kNameEntry + 4, 0x80000030);
    put16(r, 0x30 + 14, 1);
    put32(r, kLangEntry, lang);
    put32(r, kLangEntry + 4, kDataEntry);
    put32(r, kDataEntry, 0x1000 + 0x60);
    put32(r, kDataEntry + 4, static_cast<std::uint32_t>(data.size()));
    r.insert(r.end(), data.begin(), data.end());
    return r;
}

// A string block with the given slots (UTF-16 text as code units).
Bytes stringBlock(const std::vector<std::pair<unsigned, std::u16string>>& slots) {
    std::u16string s[16];
    for (const auto& [i, t] : slots) s[i] = t;
    Bytes b;
    for (const auto& t : s) {
        put16(b, b.size(), static_cast<std::uint32_t>(t.size()));
        for (char16_t c : t) put16(b, b.size(), c);
    }
    return b;
}

// A module over bytes it keeps alive.
struct HeldModule {
    std::unique_ptr<Bytes> bytes;
    std::optional<ResourceModule> module;
    explicit operator bool() const { return module.has_value(); }
    const ResourceModule* operator->() const { return &*module; }
};
HeldModule fromBytes(Bytes b) {
    HeldModule h{std::make_unique<Bytes>(std::move(b)), std::nullopt};
    h.module = ResourceModule::fromBytes(*h.bytes);
    return h;
}

}  // namespace

// ---- modules written by the MinGW tools ----

TEST(ResourceModuleFixtures, StringsAsTheLoaderReturnsThem) {
    std::string longText;
    for (int i = 0; i < 254; ++i) longText.push_back(static_cast<char>(0xC0 + i % 32));
    const struct {
        std::uint32_t id;
        std::string expected;
    } cases[] = {
        {1, utf8("Привет, мир! Ёлка")},
        {2, longText},  // 320 letters stored, 254 bytes returned
        {10, "ten"},
        {65536 + 10, "ten"},  // only the low 16 bits select the string
        {15, "fifteen: last of block 1"},
        {16, "sixteen: first of block 2"},
        {17, "unmappable ? here"},
        {18, utf8("Кавычки «ёлочки» №5")},
        {19, ""},  // empty slot
        {20, ""},  // zero-length string
        {0, ""},
        {1000, ""},  // no such block
        {65535, utf8("последняя")},
        {0xFFFFFFFFu, utf8("последняя")},
        {100, utf8("Русский")},  // Russian over English
        {101, ""},               // the chosen language's block lacks it; English is not tried
        {112, "Deutsch"},        // neither preferred: the lowest language ID
        {128, utf8("Нейтральный")},
        {144, utf8("Русский (Молдова)")},
    };
    for (const char* file : {"strings.dll", "strings64.dll"}) {
        auto m = ResourceModule::open(kFixtures / file);
        ASSERT_TRUE(m) << file;
        for (const auto& c : cases) EXPECT_EQ(m->loadString(c.id), c.expected) << file << " id " << c.id;
        EXPECT_EQ(m->loadString(1, 6), utf8("Привет"));
        EXPECT_EQ(m->loadString(1, 0), "");
    }
}

TEST(ResourceModuleFixtures, NamedDataAndIconGroups) {
    auto m = ResourceModule::open(kFixtures / "data.dll");
    ASSERT_TRUE(m);
    EXPECT_EQ(text(m->namedData("name1")), utf8("Прохождение: Тестовая игра"));
    EXPECT_EQ(text(m->namedData("NaMe1")), utf8("Прохождение: Тестовая игра"));
    EXPECT_EQ(bytes(m->namedData("File1")), readFile(kFixtures / "file1.rtf"));
    EXPECT_EQ(bytes(m->namedData("img1")), readFile(kFixtures / "img1.bin"));
    EXPECT_EQ(text(m->namedData("#5")), "\x01\x02\x03");
    EXPECT_EQ(text(m->namedData("x12")), "x12");
    EXPECT_EQ(text(m->namedData("lang")), "ru");
    // windres keeps Cyrillic names as written (lower case); the lookup still ignores case.
    EXPECT_EQ(text(m->namedData(utf8("ИМЯ"))), "cyrillic name");
    EXPECT_EQ(text(m->namedData(utf8("имя"))), "cyrillic name");
    try {
        m->namedData("img2");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Resource img2 not found");
    }
    EXPECT_THROW(m->namedData("#6"), Error);
    EXPECT_EQ(text(*m->find(ResourceId::fromText("kodrixdata"), ResourceId::fromText("Data1"))), "custom type");
    EXPECT_FALSE(m->find(ResourceId::id(RT_STRING), ResourceId::id(1)));

    const auto groups = m->names(ResourceId::id(RT_GROUP_ICON));
    EXPECT_EQ(groups, (std::vector<ResourceId>{ResourceId::name(u"A"), ResourceId::name(u"B"), ResourceId::id(2),
                                               ResourceId::id(5)}));
    for (const auto& g : groups) {
        auto group = m->find(ResourceId::id(RT_GROUP_ICON), g);
        ASSERT_TRUE(group);
        ASSERT_EQ(group->size(), 20u);
        const std::uint16_t iconId = std::uint16_t((*group)[18] | ((*group)[19] << 8));
        auto icon = m->find(ResourceId::id(RT_ICON), ResourceId::id(iconId));
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->size(), 296u);
    }
    const auto rcdata = m->names(ResourceId::id(RT_RCDATA));
    ASSERT_EQ(rcdata.size(), 9u);
    EXPECT_EQ(rcdata[5], ResourceId::name(u"X12"));  // code-unit order of upper-case text
    EXPECT_EQ(rcdata[6], ResourceId::name(u"X3"));
    EXPECT_EQ(rcdata[8], ResourceId::id(5));
}

TEST(ResourceModule, OpenFailsForMissingAndForeignFiles) {
    test::TempDir dir;
    EXPECT_FALSE(ResourceModule::open(dir.path() / "gone.dll"));
    EXPECT_FALSE(ResourceModule::open(dir.path()));
    EXPECT_FALSE(ResourceModule::open(dir.write("empty.dll", "")));
    EXPECT_FALSE(ResourceModule::open(dir.write("text.dll", "This is not a module at all, only some text.......")));
    EXPECT_FALSE(ResourceModule::open(kFixtures / "data.rc"));
    EXPECT_TRUE(ResourceModule::open(kFixtures / "strings.dll"));
}

// ---- damaged and hand-made modules ----

TEST(ResourceModule, HeadersThatAreNotAModule) {
    const Bytes good = peImage({{0x1000, oneResource(RT_RCDATA, 7, 0, {'o', 'k'})}});
    ASSERT_TRUE(fromBytes(good));
    ASSERT_EQ(text(*fromBytes(good)->find(ResourceId::id(RT_RCDATA), ResourceId::id(7))), "ok");
    const struct {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        int width;
    } cases[] = {
        {"no MZ", 0, 'X', 1},
        {"e_lfanew past the end", 0x3C, 0x10000, 4},
        {"e_lfanew at the 32-bit maximum", 0x3C, 0xFFFFFFFF, 4},
        {"e_lfanew leaves no room for the signature", 0x3C, static_cast<std::uint32_t>(good.size() - 2), 4},
        {"no PE signature", 0x80, 0x454E, 4},
        {"unknown optional-header magic", 0x98, 0x107, 2},
        {"optional header past the end", 0x94, 0xFFFF, 2},
        {"section table past the end", 0x86, 0xFFFF, 2},
    };
    for (const auto& c : cases) {
        Bytes b = good;
        if (c.width == 1) b[c.offset] = std::uint8_t(c.value);
        else if (c.width == 2) put16(b, c.offset, c.value);
        else put32(b, c.offset, c.value);
        EXPECT_FALSE(fromBytes(b)) << c.what;
    }
}

TEST(ResourceModule, EveryTruncationOfARealModuleIsSafe) {
    // Each prefix either fails to open or gives, for every lookup, nothing or
    // exactly what the whole file gives.
    const Bytes full = readFile(kFixtures / "strings.dll");
    const Bytes data = readFile(kFixtures / "data.dll");
    auto whole = fromBytes(full);
    auto wholeData = fromBytes(data);
    ASSERT_TRUE(whole && wholeData);
    const std::uint32_t ids[] = {1, 2, 15, 16, 65535, 100, 144};
    for (std::size_t n = 0; n < full.size(); n += 7) {
        Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        auto m = fromBytes(cut);
        if (!m) continue;
        for (auto id : ids) {
            const std::string s = m->loadString(id);
            if (!s.empty()) {
                EXPECT_EQ(s, whole->loadString(id)) << n;
            }
        }
    }
    for (std::size_t n = 0; n < data.size(); n += 7) {
        Bytes cut(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
        auto m = fromBytes(cut);
        if (!m) continue;
        for (const char* name : {"name1", "File1", "img1", "lang"}) {
            auto got = m->find(ResourceId::id(RT_RCDATA), ResourceId::fromText(name));
            if (got) {
                EXPECT_EQ(text(*got), text(wholeData->namedData(name))) << n << name;
            }
        }
        EXPECT_LE(m->names(ResourceId::id(RT_GROUP_ICON)).size(), 4u);
    }
}

TEST(ResourceModule, DamagedTreesFindNothingAndNeverHang) {
    const Bytes data = {'d', 'a', 't', 'a'};
    const struct {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        bool found;
    } cases[] = {
        {"intact", 0, 0, true},
        {"type table loops to the root", kRootEntry + 4, 0x80000000, false},
        {"language table loops to the names", kNameEntry + 4, 0x80000018, false},
        {"sub-directory past the area", kRootEntry + 4, 0xFFFFFFFF, false},
        {"sub-directory just inside, entries outside", kNameEntry + 4, 0x80000000 | 0x5C, false},
        {"absurd entry counts", 0x0C, 0xFFFFFFFF, false},
        {"data entry at the type level", kRootEntry + 4, 0x18, false},
        {"sub-directory at the language level", kLangEntry + 4, 0x80000030, false},
        {"data entry past the area", kLangEntry + 4, 0x7FFFFFF8, false},
        {"data RVA before every section", kDataEntry, 0x10, false},
        {"data RVA past the raw data", kDataEntry, 0x1000 + 0x200, false},
        {"data size at the 32-bit maximum", kDataEntry + 4, 0xFFFFFFFF, false},
        {"data size one byte past the raw data", kDataEntry + 4, 0x200 - 0x60 + 1, false},
        {"data size up to the end of the raw data", kDataEntry + 4, 0x200 - 0x60, true},
        {"unknown language is still the only one", kLangEntry, 0x0407, true},
        {"named language entry is ignored", kLangEntry, 0x80000000 | kNameString, false},
    };
    for (const auto& c : cases) {
        Bytes r = oneResource(RT_RCDATA, 7, 0, data);
        if (c.offset || c.value) put32(r, c.offset, c.value);
        auto m = fromBytes(peImage({{0x1000, r}}));
        ASSERT_TRUE(m) << c.what;
        EXPECT_EQ(m->find(ResourceId::id(RT_RCDATA), ResourceId::id(7)).has_value(), c.found) << c.what;
        EXPECT_EQ(m->loadString(5), "") << c.what;
        EXPECT_LE(m->names(ResourceId::id(RT_RCDATA)).size(), 1u) << c.what;
    }
}

TEST(ResourceModule, NamesAreReadWithinTheArea) {
    const struct {
        const char* what;
        std::uint16_t length;
        std::u16string stored;
        const char* asked;
        bool found;
    } cases[] = {
        {"exact", 5, u"NAME1", "name1", true},
        {"stored in lower case", 5, u"name1", "NAME1", true},
        {"length past the area", 0xFFFF, u"NAME1", "name1", false},
        {"longer than asked", 5, u"NAME1", "name", false},
        {"empty", 0, u"", "", true},
    };
    for (const auto& c : cases) {
        Bytes r = oneResource(RT_RCDATA, 0x80000000 | 0x200, 0, {'x'});
        r.resize(0x200, 0);
        put16(r, 0x200, c.length);
        for (std::size_t i = 0; i < c.stored.size(); ++i) put16(r, 0x202 + 2 * i, c.stored[i]);
        auto m = fromBytes(peImage({{0x1000, r}}));
        ASSERT_TRUE(m);
        EXPECT_EQ(m->find(ResourceId::id(RT_RCDATA), ResourceId::fromText(c.asked)).has_value(), c.found) << c.what;
    }
    // A name offset past the area.
    Bytes r = oneResource(RT_RCDATA, 0x80000000 | 0x7FFFFFFF, 0, {'x'});
    EXPECT_FALSE(fromBytes(peImage({{0x1000, r}}))->find(ResourceId::id(RT_RCDATA), ResourceId::fromText("a")));
    EXPECT_TRUE(fromBytes(peImage({{0x1000, r}}))->names(ResourceId::id(RT_RCDATA)).empty());
}

TEST(ResourceModule, ManyEntriesSharingOneLongNameAllocateNoMoreThanTheFile) {
    // 2000 named entries all pointing to one name of 0x7000 units.
    Bytes r(16, 0);
    put16(r, 0x0E, 1);
    put32(r, 0x10, RT_RCDATA);
    put32(r, 0x14, 0x80000018);
    const std::size_t names = 0x18;
    const std::uint32_t count = 2000;
    put16(r, names + 12, count);
    const std::uint32_t nameAt = static_cast<std::uint32_t>(names + 16 + 8 * count);
    for (std::uint32_t i = 0; i < count; ++i) {
        put32(r, names + 16 + 8 * i, 0x80000000 | nameAt);
        put32(r, names + 20 + 8 * i, 0x80000018);  // loops, but names() does not follow it
    }
    put16(r, nameAt, 0x7000);
    r.resize(nameAt + 2 + 2 * 0x7000, 'A');
    auto m = fromBytes(peImage({{0x1000, r}}));
    ASSERT_TRUE(m);
    const auto got = m->names(ResourceId::id(RT_RCDATA));
    std::size_t total = 0;
    for (const auto& n : got) total += 2 + 2 * n.nameValue().size();
    EXPECT_LE(total, r.size());
    EXPECT_FALSE(m->find(ResourceId::id(RT_RCDATA), ResourceId::fromText("A")));
}

TEST(ResourceModule, StringsRunningPastTheBlockGiveEmptyText) {
    using Expect = std::vector<std::pair<std::uint32_t, std::string>>;
    Bytes claims = stringBlock({{0, u"ok"}, {1, u"fine"}, {2, u"x"}});
    put16(claims, 2 + 4, 0xFFFF);  // slot 1 claims 65535 units: it and every later slot are lost
    Bytes cut = stringBlock({{0, u"ok"}, {15, u"abc"}});
    cut.resize(cut.size() - 2);  // the last string ends one unit short
    Bytes shortTable = stringBlock({{0, u"ok"}});
    shortTable.resize(6);  // only slots 0 and part of 1
    for (const auto& [blk, expected] : {std::pair{claims, Expect{{0, "ok"}, {1, ""}, {2, ""}, {15, ""}}},
                                        std::pair{cut, Expect{{0, "ok"}, {14, ""}, {15, ""}}},
                                        std::pair{shortTable, Expect{{0, "ok"}, {1, ""}, {2, ""}}}}) {
        auto m = fromBytes(peImage({{0x1000, oneResource(RT_STRING, 1, 0, blk)}}));
        ASSERT_TRUE(m);
        for (const auto& [id, text] : expected) EXPECT_EQ(m->loadString(id), text) << id;
    }
}

TEST(ResourceModule, UnsortedTablesAndDataInAnotherSectionArePE32PlusToo) {
    // Two blocks listed in descending order, duplicates of block 1 (the first wins),
    // and the block data in a second section.
    Bytes r(0x200, 0);
    put16(r, 0x0E, 1);
    put32(r, 0x10, RT_STRING);
    put32(r, 0x14, 0x80000018);
    put16(r, 0x18 + 14, 3);
    const std::uint32_t blocks[3] = {2, 1, 1};
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t lang = 0x40 + 0x18 * i;
        put32(r, 0x28 + 8 * i, blocks[i]);
        put32(r, 0x2C + 8 * i, 0x80000000 | lang);
        put16(r, lang + 14, 1);
        put32(r, lang + 16, 0x0419);
        put32(r, lang + 20, 0x100 + 16 * i);
        put32(r, 0x100 + 16 * i, 0x3000 + 0x100 * i);  // RVA in the second section
    }
    Bytes second(0x300, 0);
    const std::u16string texts[3] = {u"block two", u"first", u"duplicate"};
    for (int i = 0; i < 3; ++i) {
        Bytes b = stringBlock({{i == 0 ? 0u : 3u, texts[i]}});
        std::copy(b.begin(), b.end(), second.begin() + 0x100 * i);
        put32(r, 0x100 + 16 * i + 4, static_cast<std::uint32_t>(b.size()));
    }
    for (bool plus : {false, true}) {
        auto m = fromBytes(peImage({{0x1000, r}, {0x3000, second}}, plus));
        ASSERT_TRUE(m);
        EXPECT_EQ(m->loadString(16), "block two");
        EXPECT_EQ(m->loadString(3), "first");
        EXPECT_EQ(m->names(ResourceId::id(RT_STRING)),
                  (std::vector<ResourceId>{ResourceId::id(1), ResourceId::id(1), ResourceId::id(2)}));
    }
}

TEST(ResourceModule, ModulesWithoutResourcesOpenEmpty) {
    const Bytes tree = oneResource(RT_RCDATA, 7, 0, {'x'});
    const Bytes cases[] = {
        peImage({{0x1000, tree}}, false, 0),       // no resource directory
        peImage({{0x1000, tree}}, false, 0x9000),  // root outside every section
        peImage({}, false),                        // no sections
        peImage({{0x1000, Bytes(8, 0)}}, false, 0x11FC),  // root too close to the end for a table
    };
    for (const auto& b : cases) {
        auto m = fromBytes(b);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->loadString(1), "");
        EXPECT_TRUE(m->names(ResourceId::id(RT_RCDATA)).empty());
        EXPECT_THROW(m->namedData("#7"), Error);
    }
    // An empty resource is found and empty.
    Bytes withName = oneResource(RT_RCDATA, 0x80000000 | kNameString, 0, {});
    put16(withName, kNameString, 1);
    put16(withName, kNameString + 2, 'E');
    auto m = fromBytes(peImage({{0x1000, withName}}));
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->namedData("e").empty());
}

TEST(ResourceModule, NamesAndIdsFromText) {
    EXPECT_EQ(ResourceId::fromText("#123"), ResourceId::id(123));
    EXPECT_EQ(ResourceId::fromText("#65535"), ResourceId::id(65535));
    EXPECT_EQ(ResourceId::fromText("#65536"), ResourceId::name(u"#65536"));
    EXPECT_EQ(ResourceId::fromText("#"), ResourceId::name(u"#"));
    EXPECT_EQ(ResourceId::fromText("#1a"), ResourceId::name(u"#1a"));
    EXPECT_EQ(ResourceId::fromText(utf8("имя")), ResourceId::name(u"имя"));
    EXPECT_EQ(upperResourceName(u"img1 ёжик éÿ"), u"IMG1 ЁЖИК ÉŸ");
}

// ---- a large module: callers open it per click and loop over IDs ----

TEST(ResourceModule, TenMegabyteModuleReadsEveryString) {
    pack::PeResourceWriter writer;
    const std::string line(76, '\xE0');
    for (std::uint32_t id = 0; id < 65536; ++id) writer.addString(id, line);
    test::TempDir dir;
    const auto path = dir.path() / "big.dll";
    writer.writeFile(path);
    ASSERT_GT(std::filesystem::file_size(path), 10'000'000u);

    auto m = ResourceModule::open(path);
    ASSERT_TRUE(m);
    std::size_t total = 0;
    for (std::uint32_t id = 40000; id < 40015; ++id) total += m->loadString(id).size();
    EXPECT_EQ(total, 15 * line.size());

    total = 0;
    for (std::uint32_t id = 0; id < 1'000'000; ++id) total += m->loadString(id).size();
    EXPECT_EQ(total, 1'000'000u * line.size());
}
