// The catalogue builder and the generator, checked through the program's own
// readers and through an independent tool (wrestool).
#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "catalogue/Error.h"
#include "catalogue/GameEntry.h"
#include "catalogue/IconLibrary.h"
#include "catalogue/ResourceModule.h"
#include "catalogue/TextList.h"
#include "support/TempDir.h"
#include "tools/pack/CatalogueBuilder.h"
#include "tools/pack/Generator.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace kodrix;
using namespace kodrix::pack;
using kodrix::test::TempDir;

namespace {

std::string cp(const char* utf8) { return cp1251::fromUtf8(utf8); }

std::string fileText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writePng(const fs::path& path, QColor colour) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(colour);
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "PNG"));
}

// A small source tree: one platform in mixed case with two groups and two
// icon families, and one walkthrough with a PNG screenshot to convert.
void writeSources(const TempDir& src) {
    src.write("Sega/a.txt",
              "# Alpha Racer\n"
              "icon: Racing\n"
              "Level select: Up, Up, Down, A\n"
              "\n"
              "\\# not a header\n"
              "\n"
              "\n"
              "# Amber Quest\n"
              "Password: KX7Q\n");
    src.write("Sega/rus.txt", "# Ёжик в тумане\nicon: puzzle\nВыбор уровня: A, B, C\n# Пустая игра\n");
    src.write("Sega/platform.txt", "notes, not a group\n");
    writePng(src.path() / "Sega/icons/racing.png", Qt::red);
    writePng(src.path() / "Sega/icons/puzzle.png", Qt::blue);
    src.write("sol/demo/name.txt", "Прохождение демо\n");
    src.write("sol/demo/document.rtf", "{\\rtf1\\ansi www.1\\par}");
    QImage shot(800, 500, QImage::Format_RGB32);
    shot.fill(Qt::darkGreen);
    ASSERT_TRUE(shot.save(QString::fromStdString((src.path() / "sol/demo/img1.png").string()), "PNG"));
}

}  // namespace

TEST(CatalogueBuilder, BuildsACatalogueTheReadersAccept) {
    TempDir src, out;
    writeSources(src);
    const BuildSummary summary = buildCatalogue(src.path(), out.path());
    EXPECT_EQ(summary.platforms, 1u);
    EXPECT_EQ(summary.groups, 2u);
    EXPECT_EQ(summary.games, 4u);
    EXPECT_EQ(summary.walkthroughs, 1u);

    const Listing platforms = listPlatforms(out.path());
    ASSERT_EQ(platforms.names, std::vector<std::string>{"Sega"});  // "sol" has no base.ini
    Listing groups = listLetterGroups(out.path(), "SEGA");
    std::sort(groups.names.begin(), groups.names.end());
    EXPECT_EQ(groups.names, (std::vector<std::string>{"a", "rus"}));

    const fs::path sega = platformDir(out.path(), "SEGA");
    EXPECT_EQ(fileText(sega / "a.dat"), "Alpha Racer\r\nAmber Quest\r\n");
    EXPECT_EQ(loadTextList(sega / "rus.dat"), (std::vector<std::string>{cp("Ёжик в тумане"), cp("Пустая игра")}));

    // String IDs run on through the group; blank lines inside a game stay,
    // trailing ones go; an icon-less game gets icon 0; families sort by name.
    const IniProfile ini = openGroupIni(sega, "A");
    EXPECT_EQ(readBegin(ini, "Alpha Racer"), 1);
    EXPECT_EQ(readEnd(ini, "Alpha Racer"), 3);
    EXPECT_EQ(readIcon(ini, "Alpha Racer"), 1);  // puzzle = 0, racing = 1
    EXPECT_EQ(readBegin(ini, "AMBER QUEST"), 4);
    EXPECT_EQ(readEnd(ini, "AMBER QUEST"), 4);
    EXPECT_EQ(readIcon(ini, "Amber Quest"), 0);
    const auto module = openGroupModule(sega, "A");
    ASSERT_TRUE(module);
    EXPECT_EQ(codeTextLines(*module, 1, 4),
              (std::vector<std::string>{"Level select: Up, Up, Down, A", "", "# not a header", "Password: KX7Q"}));

    const IniProfile rus = openGroupIni(sega, "RUS");
    EXPECT_EQ(readEnd(rus, cp("Пустая игра")), readBegin(rus, cp("Пустая игра")) - 1);  // no code lines
    const auto rusModule = openGroupModule(sega, "RUS");
    ASSERT_TRUE(rusModule);
    EXPECT_EQ(rusModule->loadString(1), cp("Выбор уровня: A, B, C"));

    // Icon N of the library is family N.
    for (unsigned index : {0u, 1u}) {
        const auto ico = iconGroupAsIco(sega / "kodrix32.icl", index);
        ASSERT_TRUE(ico) << index;
        QImage image;
        ASSERT_TRUE(image.loadFromData(ico->data(), static_cast<int>(ico->size()), "ICO"));
        EXPECT_EQ(QColor(image.pixel(16, 16)), index == 0 ? QColor(Qt::blue) : QColor(Qt::red));
    }
    EXPECT_FALSE(iconGroupAsIco(sega / "kodrix32.icl", 2));

    const auto walk = ResourceModule::open(out.path() / "sol" / "demo.dll");
    ASSERT_TRUE(walk);
    const auto name = walk->namedData("name1");
    EXPECT_EQ(std::string(name.begin(), name.end()), cp("Прохождение демо"));
    const auto doc = walk->namedData("File1");
    EXPECT_EQ(std::string(doc.begin(), doc.end()), "{\\rtf1\\ansi www.1\\par}");
    const auto jpeg = walk->namedData("img1");
    QImage shot;
    ASSERT_TRUE(shot.loadFromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPG"));  // converted from PNG
    EXPECT_EQ(shot.size(), QSize(800, 500));
    EXPECT_THROW(walk->namedData("img2"), kodrix::Error);
}

TEST(CatalogueBuilder, RejectsBadSources) {
    const std::map<std::string, std::uint32_t> families{{"racing", 0}};
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"code before any game\n# Game\n", "text before the first game"},
        {"# Game\n# GAME\n", "listed twice"},
        {"# Game\nicon: shooter\n", "no icon \"shooter\""},
        {"#   \n", "needs a name"},
        {"# Game\nText with a \xE2\x9C\x93 mark\n", "outside code page 1251"},
    };
    for (const Case& c : cases) {
        try {
            parseGroupSource(c.text, "G", families, "g.txt");
            ADD_FAILURE() << c.text;
        } catch (const PackError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(parseStringList("70000\tx\n", "s"), PackError);
    EXPECT_THROW(parseStringList("5\ta\n5\tb\n", "s"), PackError);
    EXPECT_THROW(parseStringList("x5\ta\n", "s"), PackError);
}

TEST(CatalogueBuilder, GroupBeyondSixteenBitIdsIsAnError) {
    TempDir out;
    GroupSource group{"A", {GameSource{"Big", 0, std::vector<std::string>(10, "x")}}};
    EXPECT_THROW(writeGroup(out.path(), group, 65530), PackError);
    EXPECT_EQ(writeGroup(out.path(), group, 65526), 65536u);  // IDs 65526..65535 fit exactly
}

TEST(CatalogueBuilder, IconCanLeadACodeLineWhenEscaped) {
    const auto group = parseGroupSource("# G\nicon: racing\n\\icon: not a family\nicon: text\n", "G", {{"racing", 0}}, "g");
    ASSERT_EQ(group.games.size(), 1u);
    EXPECT_EQ(group.games[0].lines, (std::vector<std::string>{"icon: not a family", "icon: text"}));
}

TEST(Generator, SameSeedSameFilesOtherSeedOtherFiles) {
    GeneratorOptions o;
    o.seed = 7;
    o.platforms = 2;
    o.games = 60;
    o.bigPlatformGames = 40;
    o.groups = 37;
    o.codes = 4;
    o.walkthroughs = 2;
    o.rtfKb = 2;
    TempDir a, b, c;
    const auto sa = generateCatalogue(a.path(), o);
    generateCatalogue(b.path(), o);
    o.seed = 8;
    generateCatalogue(c.path(), o);
    EXPECT_EQ(sa.games, 60u);
    EXPECT_EQ(sa.walkthroughs, 2u);

    std::size_t files = 0;
    bool anyDifferent = false;
    for (const auto& entry : fs::recursive_directory_iterator(a.path())) {
        if (!entry.is_regular_file()) continue;
        const fs::path rel = fs::relative(entry.path(), a.path());
        ++files;
        EXPECT_EQ(fileText(entry.path()), fileText(b.path() / rel)) << rel;
        if (fileText(entry.path()) != fileText(c.path() / rel)) anyDifferent = true;
    }
    EXPECT_GT(files, 2u * 3u * 37u);
    EXPECT_TRUE(anyDifferent);

    // The big platform's games, its RUS group and the walkthroughs read back.
    const fs::path big = platformDir(a.path(), generatedPlatformName(0));
    EXPECT_EQ(countPlatformCodes(big).total, 40u);
    const auto rusNames = loadTextList(big / "RUS.dat");
    for (const auto& n : rusNames) EXPECT_TRUE(cp1251::isCyrillicCapital(static_cast<unsigned char>(n[0]))) << n;
    const auto walk = ResourceModule::open(a.path() / "sol" / "w00002.dll");
    ASSERT_TRUE(walk);
    EXPECT_GE(walk->namedData("File1").size(), 1u << 20);  // the one 1 MB document
    QImage shot;
    const auto withPicture = ResourceModule::open(a.path() / "sol" / "w00001.dll");
    ASSERT_TRUE(withPicture);
    const auto jpeg = withPicture->namedData("img1");
    ASSERT_TRUE(shot.loadFromData(jpeg.data(), static_cast<int>(jpeg.size()), "JPG"));
    EXPECT_EQ(shot.size(), QSize(1920, 1080));
}

TEST(CatalogueBuilder, WrestoolReadsAProducedModule) {
    if (std::system("command -v wrestool >/dev/null 2>&1") != 0) GTEST_SKIP() << "wrestool not installed";
    TempDir dir;
    GroupSource group{"A", {GameSource{"Game", 0, {"First line", cp("Вторая строка")}}}};
    writeGroup(dir.path(), group, 100);
    WalkthroughSource walk{"Name", std::vector<std::uint8_t>{'{', '}'}, {{"7", {0xFF, 0xD8, 0xFF, 0xD9}}}};
    writeWalkthrough(dir.path() / "w.dll", walk);

    const std::string list = (dir.path() / "list.txt").string();
    ASSERT_EQ(std::system(("wrestool -l '" + (dir.path() / "w.dll").string() + "' > '" + list + "'").c_str()), 0);
    const std::string listed = fileText(list);
    for (const char* name : {"NAME1", "FILE1", "IMG7"}) EXPECT_NE(listed.find(name), std::string::npos) << listed;

    // String block (100 >> 4) + 1 = 7, slots 4 and 5, as UTF-16.
    const std::string raw = (dir.path() / "block.bin").string();
    ASSERT_EQ(std::system(("wrestool -x --raw -t 6 -n 7 '" + (dir.path() / "A.dll").string() + "' > '" + raw + "'").c_str()), 0);
    const std::string block = fileText(raw);
    const std::u16string second = cp1251::toUtf16(cp("Вторая строка"));
    const std::string secondBytes(reinterpret_cast<const char*>(second.data()), second.size() * 2);
    EXPECT_NE(block.find(secondBytes), std::string::npos);
    EXPECT_EQ(block.substr(8, 2), std::string("\x0A\x00", 2));  // slot 4: length 10 ("First line")
}

TEST(PackTool, ErrorsNameNonAsciiPathsAsTheyAreSpelt) {
    TempDir dir;
    const std::string missing = (dir.path() / "значок.png").string();
    const std::string cmd = std::string("'") + KODRIX_BIN_DIR + "/kodrix-pack' icl '" + (dir.path() / "out.icl").string() +
                            "' '" + missing + "' 2>&1";
    std::string output;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[512];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) output.append(buf, n);
        EXPECT_NE(::pclose(p), 0);
    }
    EXPECT_NE(output.find("Cannot open file \"" + missing + "\". No such file or directory"), std::string::npos) << output;
}
