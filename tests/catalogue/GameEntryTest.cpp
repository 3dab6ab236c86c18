#include "catalogue/GameEntry.h"

#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "support/TempDir.h"
#include "tools/pack/PeWriter.h"

#include <gtest/gtest.h>


using namespace kodrix;

namespace {

struct Module {
    std::vector<std::uint8_t> bytes;
    ResourceModule module;
};

std::vector<std::uint8_t> buildStrings(const std::vector<std::pair<std::uint32_t, std::string>>& strings) {
    pack::PeResourceWriter w;
    for (const auto& [id, text] : strings) w.addString(id, text);
    return w.build();
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(CodeText, RangeGivesOneLinePerIdInOrder) {
    const auto bytes = buildStrings({{9, "s9"}, {10, "s10"}, {11, "s11"}, {12, "s12"}, {13, "s13"}, {16, "s16"}});
    auto module = ResourceModule::fromBytes(bytes);
    ASSERT_TRUE(module);
    struct Case {
        std::int32_t begin, end;
        Lines lines;
    };
    const Case cases[] = {
        {10, 12, {"s10", "s11", "s12"}},
        {12, 10, {}},                          // end before begin: nothing, no error
        {11, 11, {"s11"}},
        {14, 17, {"", "", "s16", ""}},         // missing IDs still give their (empty) lines
        {65536 + 10, 65536 + 11, {"s10", "s11"}},  // only the low 16 bits select the string
        {-65536 + 12, -65536 + 12, {"s12"}},
    };
    for (const auto& c : cases) EXPECT_EQ(codeTextLines(*module, c.begin, c.end), c.lines) << c.begin << ".." << c.end;
}

TEST(CodeText, LongStringIsCutAt254Bytes) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += static_cast<char>(i % 2 ? 'a' : '\xE0');  // а (cp1251) and a
    const auto bytes = buildStrings({{1, text}});
    auto module = ResourceModule::fromBytes(bytes);
    ASSERT_TRUE(module);
    EXPECT_EQ(codeTextLines(*module, 1, 1), Lines{text.substr(0, 254)});
}

TEST(CodeText, HugeRangesStopAtTheCapBeforeAnyStringComesAgain) {
    const auto bytes = buildStrings({{10, "ten"}, {40000, "forty thousand"}, {65535, "last"}});
    auto module = ResourceModule::fromBytes(bytes);
    ASSERT_TRUE(module);
    struct Case {
        std::int32_t begin, end;
        std::size_t lines;
    };
    const Case cases[] = {
        {0, 999999, kMaxCodeTextLines},
        {INT32_MIN, INT32_MAX, kMaxCodeTextLines},  // four billion IDs
        {65530, 65546, 17},                          // across the end of the 16-bit space
    };
    for (const auto& c : cases) {
        const auto lines = codeTextLines(*module, c.begin, c.end);
        ASSERT_EQ(lines.size(), c.lines) << c.begin << ".." << c.end;
        // Each line is the string of its ID's low 16 bits, and no ID comes twice.
        EXPECT_LE(lines.size(), 65536u);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::uint32_t id = (static_cast<std::uint32_t>(c.begin) + static_cast<std::uint32_t>(i)) & 0xFFFF;
            EXPECT_EQ(lines[i], module->loadString(id)) << i;
        }
    }
    EXPECT_EQ(codeTextLines(*module, 65530, 65546)[5], "last");
    EXPECT_EQ(codeTextLines(*module, 65530, 65546)[16], "ten");
}

TEST(GameRead, StepsReportFailuresInTheOrderOfAClick) {
    test::TempDir dir;
    auto platform = dir.mkdir("Sega");
    const std::string good = "[Alpha]\nbegin=1\nend=2\nicon=3\n";
    const auto module = buildStrings({{1, "one"}, {2, "two"}});
    auto writeModule = [&](const std::string& name) {
        dir.write("Sega/" + name, std::string(module.begin(), module.end()));
    };
    struct Case {
        const char* what;
        std::string ini;  // "" = no INI file
        int dll;          // 0 none, 1 module, 2 junk
        std::vector<GameReadFailure> failures;
        Lines lines;
        std::optional<std::int32_t> icon;
    };
    using F = GameReadFailure;
    const Case cases[] = {
        {"all well", good, 1, {}, {"one", "two"}, 3},
        {"no ini", "", 1, {F::IniMissing}, {}, std::nullopt},
        {"begin absent", "[Alpha]\nend=2\nicon=3\n", 1, {F::BadRange}, {}, std::nullopt},
        {"end not a number", "[Alpha]\nbegin=1\nend=2x\nicon=3\n", 1, {F::BadRange}, {}, std::nullopt},
        {"no module: icon still read", good, 0, {F::ModuleMissing}, {}, 3},
        {"junk module", good, 2, {F::ModuleUnopenable}, {}, 3},
        {"icon bad after the text", "[Alpha]\nbegin=1\nend=2\nicon=\n", 1, {F::BadIcon}, {"one", "two"}, std::nullopt},
        {"no module and icon bad", "[Alpha]\nbegin=1\nend=1\n", 0, {F::ModuleMissing, F::BadIcon}, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(platform);
        std::filesystem::create_directories(platform);
        if (!c.ini.empty()) dir.write("Sega/m.ini", c.ini);  // stored lower-case, asked as "M"
        if (c.dll == 1) writeModule("M.DLL");
        if (c.dll == 2) dir.write("Sega/m.dll", "MZ not a module");
        GameRead r = readGame(platform, "M", "ALPHA");
        std::vector<GameReadFailure> failures;
        for (const auto& rep : r.reports) failures.push_back(rep.failure);
        EXPECT_EQ(failures, c.failures) << c.what;
        EXPECT_EQ(r.lines, c.lines) << c.what;
        EXPECT_EQ(r.icon, c.icon) << c.what;
    }
}

TEST(GameRead, TheWindowsTextCountsTheLinesLeftOutAndAStreamTakesThemAll) {
    test::TempDir dir;
    auto platform = dir.mkdir("Sega");
    const auto module = buildStrings({{1, "one"}, {2, "two"}});
    dir.write("Sega/M.dll", std::string(module.begin(), module.end()));
    struct Case {
        std::int32_t begin, end;
        std::size_t shown;
        std::uint64_t leftOut;
    };
    const Case cases[] = {
        {1, 2, 2, 0},
        {1, 8192, 8192, 0},  // exactly the cap
        {1, 8193, 8192, 1},
        {1, 70000, 8192, 70000 - 8192},
        {INT32_MIN, INT32_MAX, 8192, (std::uint64_t(1) << 32) - 8192},
    };
    for (const auto& c : cases) {
        dir.write("Sega/M.ini", "[X]\nbegin=" + std::to_string(c.begin) + "\nend=" + std::to_string(c.end) + "\nicon=0\n");
        const GameRead r = readGame(platform, "M", "X");
        EXPECT_EQ(r.lines.size(), c.shown) << c.end;
        EXPECT_EQ(r.linesLeftOut, c.leftOut) << c.end;
        EXPECT_EQ(codeTextLength(c.begin, c.end), c.shown + c.leftOut);
    }

    // A stream takes every line, by the low 16 bits of its ID, and stops when
    // it says so.
    dir.write("Sega/M.ini", "[X]\nbegin=1\nend=70000\nicon=0\n");
    Lines streamed;
    const GameRead whole = readGame(platform, "M", "X", [&](std::string_view line) {
        streamed.emplace_back(line);
        return true;
    });
    EXPECT_TRUE(whole.ok());
    EXPECT_TRUE(whole.lines.empty());
    ASSERT_EQ(streamed.size(), 70000u);
    EXPECT_EQ(streamed[1], "two");
    EXPECT_EQ(streamed[65535], "");     // ID 65536: string 0
    EXPECT_EQ(streamed[65536], "one");  // ID 65537: string 1
    std::size_t taken = 0;
    readGame(platform, "M", "X", [&](std::string_view) { return ++taken < 5; });
    EXPECT_EQ(taken, 5u);
}

TEST(GameRead, MessagesAreTheProgramsTexts) {
    test::TempDir dir;
    auto platform = dir.mkdir("PS2");
    EXPECT_EQ(readGame(platform, "M", "X").reports.at(0).message, cp1251::fromUtf8("Не найден файл M.ini"));
    dir.write("PS2/M.ini", "[X]\nbegin= 12 \nend=$\n");
    EXPECT_EQ(readGame(platform, "M", "X").reports.at(0).message, "'$' is not a valid integer value");
    dir.write("PS2/M.ini", "[X]\nbegin=1\nend=0\nicon=0\n");
    EXPECT_EQ(readGame(platform, "M", "X").reports.at(0).message, cp1251::fromUtf8("Не найден файл M.dll"));
    dir.write("PS2/M.dll", "");
    EXPECT_EQ(readGame(platform, "M", "X").reports.at(0).message,
              cp1251::fromUtf8("Ошибка при использовании динамической библиотеки. Возможно библиотека "
                               "отсутствует или испорчена."));
}
