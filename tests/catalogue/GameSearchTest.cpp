#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "catalogue/GameSearch.h"
#include "catalogue/Discovery.h"
#include "catalogue/TextList.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
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
        {"ababac", "abac", true},             // a partial match that falls back to its own end
        {"abababc", "ababc", true},
        {"abaabab", "abab", true},
        {"abcabd", "abcabe", false},
        {"xyxyxz", "XYXZ", true},
        {"Who? Me?", "?", true},               // a question mark is a character like any
    };
    for (const auto& c : cases) {
        const std::string name = cp(c.name), query = cp(c.query);
        EXPECT_EQ(GameMatcher(query).matches(name), c.match) << c.name << " / " << c.query;
        EXPECT_EQ(nameMatches(name, query), c.match) << c.name << " / " << c.query;
    }
    EXPECT_EQ(GameMatcher(cp("гонщик")).queryLength(), 6u);  // bytes, one per character
}

TEST(GameMatcher, AQueryCodePage1251CannotHoldMatchesNoName) {
    // A query with an emoji or Chinese characters: converting it would put
    // "?" in their place, which is in names such as "Who?".
    for (const char* query : {"🎮", "游戏", "a游", "\xFF\xFE"}) {
        EXPECT_FALSE(cp1251::fromUtf8Exact(query)) << query;
        EXPECT_FALSE(GameMatcher(cp1251::fromUtf8Exact(query)).matches("Who?")) << query;
    }
    EXPECT_EQ(cp1251::fromUtf8Exact("Ёж?"), cp("Ёж?"));
    EXPECT_FALSE(GameMatcher(std::nullopt).matches(""));
    EXPECT_GT(GameMatcher(std::nullopt).queryLength(), std::size_t(1) << 40);  // no name is long enough
}

TEST(GameMatcher, TakesTimeLinearInTheNameWhateverTheQuery) {
    // Names of a megabyte of one letter and a query of 30,001 letters that
    // agree with them up to the last (or from the second) letter: testing
    // every start position in full takes minutes; the test reads each byte
    // of a name once. Run on a thread of its own with a watchdog, since a
    // test that runs that long must fail rather than hang.
    const std::string name(std::size_t(1) << 20, 'a');
    const std::string queries[] = {std::string(30000, 'a') + "b", "b" + std::string(30000, 'a'),
                                   std::string(15000, 'a') + "b" + std::string(15000, 'a')};
    std::promise<int> done;
    std::thread([&] {
        int found = 0;
        for (int round = 0; round < 4; ++round)
            for (const std::string& query : queries) found += GameMatcher(query).matches(name);
        done.set_value(found);
    }).detach();
    std::future<int> result = done.get_future();
    if (result.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        std::fprintf(stderr, "the match test ran past 20 s on 12 names of 1 MB\n");
        std::_Exit(1);  // the thread cannot be stopped
    }
    EXPECT_EQ(result.get(), 0);
    EXPECT_TRUE(GameMatcher(std::string(30000, 'a') + "b").matches(name + "b"));
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
    EXPECT_EQ(sorted(racer.matches.toStrings()),
              (std::vector<std::string>{"Racer X racer", "Road Racer", "Road Racer", "STAR RACER 2"}));
    EXPECT_EQ(searchPlatform(dir.path(), "PS2", "").matches.size(), 8u);  // the empty line too
    // Group by group in the letter list's order, each group's lines as stored.
    std::vector<std::string> inOrder;
    for (const std::string& group : listLetterGroups(dir.path(), "PS2").names)
        for (const std::string& line :
             loadTextList(dir.path() / "Ps2" / (cp1251::upper(group) == "S" ? "s.dat" : cp1251::upper(group) == "R" ? "R.DAT" : "A.dat")))
            inOrder.push_back(line);
    EXPECT_EQ(searchPlatform(dir.path(), "PS2", "").matches.toStrings(), inOrder);
    EXPECT_TRUE(searchPlatform(dir.path(), "PS2", "no game is named like this").matches.empty());
    EXPECT_TRUE(searchPlatform(dir.path(), "PS2", std::nullopt).matches.empty());

    dir.write("Empty/base.ini", "");
    PlatformSearch none = searchPlatform(dir.path(), "EMPTY", "");
    EXPECT_TRUE(none.noDatabase);
    EXPECT_TRUE(none.matches.empty());
}

TEST(SearchPlatform, TheScanOfWholeListsFindsWhatTheMatchTestFinds) {
    // A search reads each list in pieces and scans them whole rather than
    // line by line: it must find exactly the lines the match test accepts,
    // in order, whatever the line ends, and across the read blocks.
    test::TempDir dir;
    dir.write("P/base.ini", "");
    std::uint32_t seed = 5;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    const std::string alphabet = "aAbB\r\n\xE0\xC0xyz ";  // а and А too, and letters no query holds
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const std::size_t size = round == 0 ? (std::size_t(3) << 20) : next() % 200;
        for (std::size_t i = 0; i < size; ++i) text.push_back(alphabet[(next() >> 8) % alphabet.size()]);
        std::string query;
        const std::string letters = "aAbB\xE0\xC0";
        for (std::uint32_t n = 1 + (next() >> 30); n > 0; --n) query.push_back(letters[(next() >> 8) % letters.size()]);
        dir.write("P/A.dat", text);
        std::vector<std::string> expected;
        for (const std::string& line : splitLines(text))
            if (GameMatcher(query).matches(line)) expected.push_back(line);
        ASSERT_EQ(searchPlatform(dir.path(), "P", query).matches.toStrings(), expected) << round;
    }
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
