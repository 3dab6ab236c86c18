// kodrix-cli grep: the code lines of the whole library that contain a
// pattern, matched as the search tab matches names.
#include "catalogue/Cp1251.h"
#include "catalogue/GameSearch.h"
#include "support/CliRun.h"
#include "support/TempDir.h"
#include "tools/cli/Cli.h"
#include "tools/pack/Generator.h"
#include "tools/pack/PeWriter.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

using namespace kodrix;

namespace {

std::string cp(const std::string& utf8) { return cp1251::fromUtf8(utf8); }

using test::CliRun;
using test::runCli;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// "Sega" with groups M (a name twice, a bad range, a missing ID) and RUS,
// "PS2" with a group whose module is missing, "Empty" without lists.
class Grep : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("Sega/base.ini", "");
        dir.write("Sega/m.dat", "Mortal Strike\r\nalpha\r\nMortal Strike\r\nMega Run\r\n");
        dir.write("Sega/M.ini", "[Mortal Strike]\r\nbegin=1\r\nend=3\r\n[alpha]\r\nbegin=4\r\nend=5\r\n"
                                "[Mega Run]\r\nbegin=zz\r\nend=1\r\n");
        module("Sega/M.dll", {{1, "Level select: Up"}, {2, cp("Все уровни: ВВЕРХ")}, {4, "Infinite lives?"}, {5, "level two"}});
        dir.write("Sega/RUS.dat", cp("Ёжик\r\nАист\r\n"));
        dir.write("Sega/RUS.ini", cp("[Ёжик]\r\nbegin=1\r\nend=1\r\n[Аист]\r\nbegin=2\r\nend=2\r\n"));
        module("Sega/RUS.dll", {{1, cp("ёлка: все жизни")}, {2, cp("Level А")}});
        dir.write("PS2/base.ini", "");
        dir.write("PS2/A.dat", "Ace\n");
        dir.write("PS2/A.ini", "[Ace]\nbegin=1\nend=2\n");
        module("PS2/A.dll", {{1, "LEVEL up"}});
        dir.write("PS2/Q.dat", "Quest\n");
        dir.write("PS2/Q.ini", "[Quest]\nbegin=1\nend=1\n");
        dir.write("Empty/base.ini", "");
    }
    void module(const std::string& rel, const std::vector<std::pair<std::uint32_t, std::string>>& strings) {
        pack::PeResourceWriter m;
        for (const auto& [id, text] : strings) m.addString(id, text);
        const auto bytes = m.build();
        dir.write(rel, std::string(bytes.begin(), bytes.end()));
    }
    CliRun run(const std::vector<std::string>& args) const { return runCli(dir.path(), args); }

    test::TempDir dir;
};

}  // namespace

TEST_F(Grep, PrintsMatchingLinesInTheListsOrder) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out, err;
    };
    const std::string badRange = "SEGA\tMega Run: 'zz' is not a valid integer value\n";
    const Case cases[] = {
        // Platforms in the chart's order, games sorted, each name once.
        {{"grep", "level"}, 1,
         "PS2\tAce\tLEVEL up\nSEGA\talpha\tlevel two\nSEGA\tMortal Strike\tLevel select: Up\nSEGA\tАист\tLevel А\n",
         "EMPTY: Не найдено ни одной базы\nPS2: Не найден файл Q.dll\n" + badRange},
        // Cyrillic in any case; Ё is its own letter, as in the search tab.
        {{"grep", "ВСЕ", "--platform", "sega"}, 1, "SEGA\tMortal Strike\tВсе уровни: ВВЕРХ\nSEGA\tЁжик\tёлка: все жизни\n", badRange},
        {{"grep", "--platform=Sega", "Ё"}, 1, "SEGA\tЁжик\tёлка: все жизни\n", badRange},
        // The empty pattern: every line, missing IDs as empty lines, in ID order.
        {{"grep", "", "--platform", "PS2"}, 1, "PS2\tAce\tLEVEL up\nPS2\tAce\t\n", "PS2: Не найден файл Q.dll\n"},
        {{"grep", "mortal"}, 1, "", "EMPTY: Не найдено ни одной базы\nPS2: Не найден файл Q.dll\n" + badRange},
        {{"grep", "x", "--platform", "nope"}, 1, "", "kodrix-cli: no platform \"nope\" in the catalogue\n"},
        {{"grep", "x", "--platform", "empty"}, 1, "", "Не найдено ни одной базы\n"},
        // A character code page 1251 cannot hold matches nothing (not a "?").
        {{"grep", "🎮", "--platform", "sega"}, 0, "", ""},
    };
    for (const Case& c : cases) {
        const CliRun r = run(c.args);
        const std::string label = testing::PrintToString(c.args);
        EXPECT_EQ(r.code, c.code) << label;
        EXPECT_EQ(r.out, c.out) << label;
        EXPECT_EQ(r.err, c.err) << label;
    }
    dir.write("Sega/M.ini", "[Mortal Strike]\r\nbegin=1\r\nend=3\r\n[alpha]\r\nbegin=4\r\nend=5\r\n[Mega Run]\r\nbegin=5\r\nend=5\r\n");
    const CliRun clean = run({"grep", "level", "--platform", "SEGA"});
    EXPECT_EQ(clean.code, 0) << clean.err;
    EXPECT_EQ(clean.out, "SEGA\talpha\tlevel two\nSEGA\tMega Run\tlevel two\nSEGA\tMortal Strike\tLevel select: Up\nSEGA\tАист\tLevel А\n");
    for (const auto& args : std::vector<std::vector<std::string>>{{"grep"}, {"grep", "a", "b"}, {"grep", "a", "--platform"}})
        EXPECT_EQ(run(args).code, 2) << testing::PrintToString(args);
}

// grep prints what codes prints, for the games search and games list, line
// by line: checked on a generated catalogue against the other verbs.
TEST(GrepLibrary, PrintsWhatTheOtherVerbsRead) {
    pack::GeneratorOptions o;
    o.seed = 5;
    o.platforms = 3;
    o.games = 600;
    o.bigPlatformGames = 300;
    o.groups = 37;
    o.codes = 6;
    o.walkthroughs = 0;
    test::TempDir dir;
    pack::generateCatalogue(dir.path(), o);
    for (const std::string pattern : {"", "бессмертие", "UP, A"}) {
        std::string expected;
        for (const std::string& platform : lines(runCli(dir.path(), {"platforms"}).out)) {
            for (const std::string& group : lines(runCli(dir.path(), {"groups", platform}).out)) {
                std::set<std::string> seen;
                for (const std::string& game : lines(runCli(dir.path(), {"games", platform, group}).out)) {
                    if (!seen.insert(game).second) continue;
                    for (const std::string& line : lines(runCli(dir.path(), {"codes", platform, group, game}).out))
                        if (nameMatches(cp(line), cp(pattern))) expected += platform + "\t" + game + "\t" + line + "\n";
                }
            }
        }
        const CliRun r = runCli(dir.path(), {"grep", pattern});
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, expected) << pattern;
        EXPECT_FALSE(expected.empty()) << pattern;
    }
}
