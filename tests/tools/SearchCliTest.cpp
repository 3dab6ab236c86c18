#include "tools/cli/Cli.h"

#include "catalogue/Cp1251.h"
#include "support/TempDir.h"
#include "support/CliRun.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace kodrix;

TEST(SearchCli, PrintsTheMatchingNamesSortedInUtf8) {
    test::TempDir dir;
    dir.write("PS2/base.ini", "");
    dir.write("PS2/S.dat", "STAR RACER 2\r\nSpace\r\n");
    dir.write("PS2/R.dat", "Road Racer\r\nracer x\r\n");
    dir.write("PS2/RUS.dat", cp1251::fromUtf8("ЗВЕЗДНЫЙ ГОНЩИК\r\nЁжик\r\n"));
    dir.write("PS2/W.dat", "Who?\r\n");
    dir.write("Empty/base.ini", "");
    const std::string catalogue = dir.path().string();
    const struct {
        std::vector<std::string> args;
        int code;
        std::string out;
        std::string errStart;
    } cases[] = {
        {{"search", "ps2", "RACER"}, 0, "racer x\nRoad Racer\nSTAR RACER 2\n", ""},
        {{"search", "PS2", "гонщик"}, 0, "ЗВЕЗДНЫЙ ГОНЩИК\n", ""},
        {{"search", "PS2", "ёж"}, 0, "Ёжик\n", ""},
        {{"search", "PS2", "zzz"}, 0, "", ""},
        {{"search", "PS2", ""}, 0, "racer x\nRoad Racer\nSpace\nSTAR RACER 2\nWho?\nЁжик\nЗВЕЗДНЫЙ ГОНЩИК\n", ""},
        // A character code page 1251 cannot hold is in no name (it is not
        // the "?" it would be converted to).
        {{"search", "PS2", "?"}, 0, "Who?\n", ""},
        {{"search", "PS2", "🎮"}, 0, "", ""},
        {{"search", "PS2", "游戏"}, 0, "", ""},
        {{"search", "PS2", "Who游"}, 0, "", ""},
        {{"search", "PS2", "\xC0"}, 0, "", ""},  // not UTF-8
        {{"search", "Empty", "a"}, 1, "", "Не найдено ни одной базы"},
        {{"search", "Nowhere", "a"}, 1, "", "kodrix-cli: no platform"},
        {{"search", "PS2"}, 2, "", "kodrix-cli: search takes 2 argument(s)"},
    };
    for (const auto& c : cases) {
        const test::CliRun r = test::runCli(catalogue, c.args);
        EXPECT_EQ(r.code, c.code) << c.args.back();
        EXPECT_EQ(r.out, c.out) << c.args.back();
        EXPECT_EQ(r.err.substr(0, c.errStart.size()), c.errStart) << c.args.back();
    }
}
