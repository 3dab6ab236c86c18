// kodrix-cli walkthrough and stats: a document's text, and what the chart holds.
#include "tools/cli/Cli.h"

#include "catalogue/Cp1251.h"
#include "support/Hostile.h"
#include "support/TempDir.h"
#include "tools/pack/CatalogueBuilder.h"
#include "support/CliRun.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <unistd.h>

using namespace kodrix;

namespace {

using test::CliRun;

CliRun run(const test::TempDir& dir, std::vector<std::string> args) { return test::runCli(dir.path(), std::move(args)); }

void walkthrough(const test::TempDir& dir, const std::string& file, const std::string& nameUtf8, const std::string& document) {
    pack::WalkthroughSource w{cp1251::fromUtf8(nameUtf8), std::vector<std::uint8_t>(document.begin(), document.end()), {}};
    pack::writeWalkthrough(dir.mkdir("sol") / file, w);
}

void platform(const test::TempDir& dir, const std::string& name, const std::string& list) {
    pack::writePlatformMarker(dir.mkdir(name));
    if (!list.empty()) dir.write(name + "/A.dat", list);
}

}  // namespace

TEST(WalkthroughTextCli, PrintsTheDocumentsTextByTheReadingRule) {
    test::TempDir dir;
    walkthrough(dir, "a.dll", "Тайна", "{\\rtf1\\ansi\\ansicpg1251 {\\b \\'d2\\'e0\\'e9\\'ed\\'e0}\\par www.1 \\'97 link}");
    walkthrough(dir, "b.dll", "Wide", std::string("\x41\x00\x42\x00", 4));  // UTF-16: "AB"
    walkthrough(dir, "c.dll", "Odd", "xyz");
    const struct {
        const char* name;
        int code;
        const char* out;
        const char* err;
    } cases[] = {
        {"Тайна", 0, "Тайна\nwww.1 — link\n", ""},
        {"Wide", 0, "AB\n", ""},
        {"Odd", 1, "", "Failed to Load Stream\n"},
        {"Нет", 1, "", "kodrix-cli: no walkthrough \"Нет\" in the catalogue\n"},
    };
    for (const auto& c : cases) {
        const CliRun r = run(dir, {"walkthrough", c.name});
        EXPECT_EQ(r.code, c.code) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
    }
}

TEST(StatsCli, PrintsTheBarsAndTheTotalsLine) {
    test::TempDir dir;
    platform(dir, "PS2", "a\r\nb\r\nc\r\n");
    platform(dir, "PC", "x\r\n");
    platform(dir, "Empty", "");
    walkthrough(dir, "a.dll", "One", "{\\rtf1 x}");
    const CliRun r = run(dir, {"stats"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "0 EMPTY\n1 PC\n3 PS2\nКодов всего: 4 шт. Прохождений: 1 шт.\n");
    EXPECT_EQ(r.err, "Не найдено ни одной базы\n");
}

TEST(StatsCli, OnePlatformShowsNothingAndNoneShowsTheTotals) {
    test::TempDir one;
    platform(one, "PC", "x\r\n");
    EXPECT_EQ(run(one, {"stats"}).out, "");
    test::TempDir none;
    const CliRun r = run(none, {"stats"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Кодов всего: 0 шт. Прохождений: 0 шт.\n");
}

TEST(StatsCli, AnUnreadableListStopsWithTheFileError) {
    test::TempDir dir;
    platform(dir, "PC", "x\r\n");
    platform(dir, "PS2", "y\r\n");
    if (!test::makeUnreadableFile(dir.path() / "PS2/B.dat", "z\r\n")) GTEST_SKIP() << "no unreadable file for root here";
    const CliRun r = run(dir, {"stats"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "1 PC\n");
    EXPECT_NE(r.err.find("Cannot open file"), std::string::npos) << r.err;
}
