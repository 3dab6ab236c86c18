#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "catalogue/GameSearch.h"
#include "catalogue/TextList.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace kodrix;

namespace {
std::string cp(const char* utf8) { return cp1251::fromUtf8(utf8); }
}  // namespace

TEST(GameMatcher, QueryMatchesAnyRunOfTheNameWithoutRegardToCase) {
    const struct {
        const char* name;
        const char* query;
        bool match;
    } cases[] = {
        {"STAR RACER 2", "racer", true},
        {"STAR RACER 2", "R R", true},        // across the blank
        {"STAR RACER 2", "STAR RACER 2", true},
        {"STAR RACER 2", "STAR RACER 2 ", false},
        {"STAR RACER 2", "racers", false},
        {"Racer", "er", true},                // the last window
        {"Racer", "rr", false},
        {"ЗВЕЗДНЫЙ ГОНЩИК", "гонщик", true},
        {"ёжик", "ЁЖ", true},                  // Ё and ё are one letter in two cases
        {"Ежик", "ёж", false},                 // but Е is not Ё
        {"Dark Forces", "", true},            // an empty query is in every name
        {"", "", true},
        {"", "a", false},
        {"aaab", "aab", true},                // a false start does not skip the match
        {"abc\xFF", "\xDF", true},            // я matches Я
    };
    for (const auto& c : cases) {
        const std::string name = cp(c.name), query = cp(c.query);
        EXPECT_EQ(GameMatcher(query).matches(name), c.match) << c.name << " / " << c.query;
        EXPECT_EQ(nameMatches(name, query), c.match) << c.name << " / " << c.query;
    }
    EXPECT_EQ(GameMatcher(cp("гонщик")).queryLength(), 6u);  // bytes, one per character
}

TEST(SearchPlatform, EveryGroupIsSearchedAndEveryStoredLineCounts) {
    test::TempDir dir;
    dir.write("Ps2/base.ini", "");
    dir.write("Ps2/s.dat", "Space\r\nSTAR RACER 2\r\n");
    dir.write("Ps2/R.DAT", "Road Racer\nRacer X racer\rRoad Racer");
    dir.write("Ps2/A.dat", "Alpha\r\n\r\nAce\r\n");
    auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    PlatformSearch racer = searchPlatform(dir.path(), "PS2", "RACER");
    EXPECT_FALSE(racer.noDatabase);
    EXPECT_EQ(sorted(racer.matches),
              (std::vector<std::string>{"Racer X racer", "Road Racer", "Road Racer", "STAR RACER 2"}));
    EXPECT_EQ(searchPlatform(dir.path(), "PS2", "").matches.size(), 8u);  // the empty line too
    EXPECT_TRUE(searchPlatform(dir.path(), "PS2", "no game is named like this").matches.empty());

    dir.write("Empty/base.ini", "");
    PlatformSearch none = searchPlatform(dir.path(), "EMPTY", "");
    EXPECT_TRUE(none.noDatabase);
    EXPECT_TRUE(none.matches.empty());
}

TEST(SearchPlatform, LinesAreVisitedByTheListReadingRules) {
    using namespace std::string_view_literals;
    for (std::string_view bytes : {""sv, "a"sv, "a\r\nb"sv, "a\n\rb\r\n"sv, "\r\r\n\n"sv, "a\0b\r\nc"sv}) {
        std::vector<std::string> visited;
        forEachLine(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                    [&](std::string_view line) { visited.emplace_back(line); });
        EXPECT_EQ(visited, splitLines(bytes)) << bytes;
    }
}

TEST(SearchPlatform, FileLinesAreVisitedAcrossTheReadBlocks) {
    // Files are read a megabyte at a time: a line running over a block's end,
    // and a CR LF split between two blocks, are still one line and one end.
    test::TempDir dir;
    const std::size_t block = std::size_t(1) << 20;
    std::string text(block - 1, 'x');
    text += "\r\nnext line\r";
    text += std::string(block, 'y');  // runs over the second block's end, no end of its own
    for (const auto& [name, bytes] : {std::pair{"split.dat", text}, std::pair{"small.dat", std::string("a\n\rb\r\r\nc")}}) {
        dir.write(name, bytes);
        std::vector<std::string> visited;
        forEachFileLine(dir.path() / name, [&](std::string_view line) { visited.emplace_back(line); });
        EXPECT_EQ(visited, splitLines(bytes)) << name;
    }
}
