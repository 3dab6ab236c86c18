#include "catalogue/CatalogueFs.h"
#include "catalogue/Discovery.h"
#include "catalogue/Error.h"
#include "catalogue/FolderIndex.h"
#include "catalogue/TextList.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace kodrix;

namespace {
std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}
}  // namespace

TEST(Discovery, PlatformsAreFoldersWithBaseIni) {
    test::TempDir dir;
    dir.write("PS2/base.ini", "");
    dir.write("PS2/A.dat", "Alpha\r\n");
    dir.write("PC/BASE.INI", "");                // any case
    dir.write("Empty/base.ini", "");             // a platform even without lists
    dir.write("sol/game.dll", "MZ");             // walkthroughs: never a platform
    dir.write("Notes/readme.txt", "");
    dir.write("file.ini", "");
    dir.mkdir("Fake/base.ini");                  // a folder named base.ini is no marker
    auto found = listPlatforms(dir.path());
    EXPECT_FALSE(found.noDatabase);
    EXPECT_EQ(sorted(found.names), (std::vector<std::string>{"Empty", "PC", "PS2"}));
}

TEST(Discovery, DotDotIsListedWhenTheFolderAboveIsAPlatform) {
    test::TempDir dir;
    dir.write("base.ini", "");
    auto program = dir.mkdir("Kodrix");
    dir.write("Kodrix/PS2/base.ini", "");
    auto names = sorted(listPlatforms(program).names);
    EXPECT_EQ(names, (std::vector<std::string>{"..", "PS2"}));
    EXPECT_EQ(countPlatformCodes(platformDir(program, "..")).total, 0u);
}

TEST(Discovery, LetterGroupsComeFromDatFilesOfAnyCase) {
    test::TempDir dir;
    dir.write("Sega/base.ini", "");
    dir.write("Sega/m.dat", "Mortal Strike\r\nMoon\r\n");
    dir.write("Sega/X.DAT", "Xeno\r\n");
    dir.write("Sega/RUS.dat", "\xC0\xEB\xFC\xF4\xE0\r\n");
    dir.write("Sega/m.ini", "");
    dir.mkdir("Sega/dir.dat");  // folders are not lists
    auto groups = listLetterGroups(dir.path(), "SEGA");
    EXPECT_FALSE(groups.noDatabase);
    EXPECT_EQ(sorted(groups.names), (std::vector<std::string>{"RUS", "X", "m"}));

    auto sega = platformDir(dir.path(), "SEGA");
    EXPECT_EQ(sega, dir.path() / "Sega");
    EXPECT_TRUE(existsInPlatform(sega, "M.dat"));
    EXPECT_TRUE(existsInPlatform(sega, "M.INI"));
    EXPECT_FALSE(existsInPlatform(sega, "M.dll"));
    EXPECT_FALSE(existsInPlatform(sega, "DIR.dat"));
    EXPECT_EQ(countFileLines(platformFile(sega, "M.DAT")), 2u);
    EXPECT_EQ(countPlatformCodes(sega).total, 4u);
    EXPECT_EQ(findRusGroup(groups.names), std::find(groups.names.begin(), groups.names.end(), "RUS") - groups.names.begin());
    EXPECT_EQ(findRusGroup({"A", "B"}), -1);
}

TEST(Discovery, NoDatabaseOnlyWhenNothingMatches) {
    test::TempDir dir;
    dir.write("Empty/base.ini", "");
    auto empty = listLetterGroups(dir.path(), "EMPTY");
    EXPECT_TRUE(empty.noDatabase);
    EXPECT_TRUE(empty.names.empty());
    EXPECT_TRUE(countPlatformCodes(platformDir(dir.path(), "EMPTY")).noDatabase);

    // A platform removed after start-up: the listing fails, silently.
    auto gone = listLetterGroups(dir.path(), "GONE");
    EXPECT_FALSE(gone.noDatabase);
    EXPECT_TRUE(gone.names.empty());
    auto missing = listPlatforms(dir.path() / "missing");
    EXPECT_FALSE(missing.noDatabase);
    EXPECT_TRUE(missing.names.empty());
}

TEST(Discovery, FolderNamedDatIsNoGroupAndMissingListRaises) {
    test::TempDir dir;
    dir.write("PS2/base.ini", "");
    dir.write("PS2/A.dat", "a\r\n");
    auto dat = dir.write("PS2/B.dat", "b\r\n");
    std::filesystem::remove(dat);
    std::filesystem::create_directory(dat);  // listed as a folder now: not a group
    EXPECT_EQ(countPlatformCodes(dir.path() / "PS2").total, 1u);
    EXPECT_THROW(countFileLines(dir.path() / "PS2" / "C.dat"), Error);
}

TEST(CatalogueFs, ResolvesEveryComponentWithoutRegardToCase) {
    test::TempDir dir;
    dir.write("Sega/Sub/m.dat", "x");
    dir.write("Sega/Sub/M.dat", "exact");  // the exact spelling wins
    EXPECT_EQ(resolvePath(dir.path(), "SEGA\\sub\\m.dat"), dir.path() / "Sega/Sub/m.dat");
    EXPECT_TRUE(resolvePath(dir.path(), "sega\\SUB\\m.DAT"));
    EXPECT_EQ(resolvePath(dir.path(), "SEGA/SUB/M.dat"), dir.path() / "Sega/Sub/M.dat");
    EXPECT_FALSE(resolvePath(dir.path(), "SEGA/none.dat"));
    EXPECT_FALSE(findEntry(dir.path(), "SEGA", EntryKind::File));
    EXPECT_TRUE(findEntry(dir.path(), "sega", EntryKind::Directory));

    FolderIndex index(dir.path() / "Sega" / "Sub");
    EXPECT_EQ(index.findFile("M.dat"), dir.path() / "Sega/Sub/M.dat");
    EXPECT_EQ(index.findFile("m.dat"), dir.path() / "Sega/Sub/m.dat");
    EXPECT_EQ(index.fileOrGuess("Z.dat"), dir.path() / "Sega/Sub/Z.dat");
}

TEST(CatalogueFs, CyrillicAndInvalidNamesOnDiskAreListedSafely) {
    test::TempDir dir;
    dir.write("Игры/base.ini", "");        // UTF-8 on disk
    dir.write("Игры/Р.dat", "x\r\n");
    dir.write("bad\xFF\xFE/base.ini", "");  // not UTF-8 at all: code page 1251 cannot name it
    auto names = sorted(listPlatforms(dir.path()).names);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "\xC8\xE3\xF0\xFB");
    // The cp1251 name finds the folder, in either case.
    EXPECT_EQ(listLetterGroups(dir.path(), "\xC8\xC3\xD0\xDB").names, std::vector<std::string>{"\xD0"});
}

TEST(Discovery, WhatIsListedCanBeReachedOnce) {
    // The lists upper-case their items and every lookup ignores case: of names
    // that differ only in case the one a lookup finds is listed, once; names
    // code page 1251 cannot write would be listed alike ("??") and are left out.
    test::TempDir dir;
    dir.write("游戏/base.ini", "");
    dir.write("中文/base.ini", "");
    dir.write("Sega/base.ini", "");
    dir.write("Sega/m.dat", "in Sega\r\n");
    dir.write("SEGA/base.ini", "");
    dir.write("SEGA/z.dat", "in SEGA\r\n");
    dir.write("PS2/base.ini", "");
    dir.write("PS2/a.dat", "lower\r\n");
    dir.write("PS2/A.dat", "upper\r\nupper\r\n");
    dir.write("PS2/b.DAT", "b one\r\n");
    dir.write("PS2/b.dat", "b two\r\nb two\r\nb two\r\n");
    dir.write("PS2/游.dat", "unnamed\r\n");
    dir.write("PS2/RUS.dat", "\xC0\r\n");

    EXPECT_EQ(sorted(listPlatforms(dir.path()).names), (std::vector<std::string>{"PS2", "SEGA"}));
    EXPECT_EQ(listLetterGroups(dir.path(), "SEGA").names, std::vector<std::string>{"z"});

    EXPECT_EQ(sorted(listLetterGroups(dir.path(), "PS2").names), (std::vector<std::string>{"A", "RUS", "b"}));
    // The count covers what the letter list reaches: A.dat, the first b list, RUS.dat.
    const auto ps2 = platformDir(dir.path(), "PS2");
    const std::size_t b = countFileLines(platformFile(ps2, "B.dat"));
    EXPECT_EQ(countPlatformCodes(ps2).total, 2u + b + 1u);
}
