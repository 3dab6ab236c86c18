#include "tools/cli/Cli.h"

#include "catalogue/Cp1251.h"
#include "support/Hostile.h"
#include "support/TempDir.h"
#include "tools/pack/IcoWriter.h"
#include "tools/pack/NeWriter.h"
#include "tools/pack/PeWriter.h"
#include "support/CliRun.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <sys/wait.h>

using namespace kodrix;

namespace {

std::string cp(const std::string& utf8) { return cp1251::fromUtf8(utf8); }

void writeBytes(const test::TempDir& dir, const std::string& rel, const std::vector<std::uint8_t>& bytes) {
    dir.write(rel, std::string(bytes.begin(), bytes.end()));
}

// A small catalogue: "Sega" (mixed case, lower-case file names) with groups
// M and RUS and an icon library, "PS2" with one group, "Empty" without game
// lists, and "sol", which is no platform.
class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("Sega/base.ini", "");
        dir.write("Sega/m.dat", "Mortal Strike\r\nalpha\r\nMega Run\r\n");
        dir.write("Sega/m.ini",
                  "[MORTAL STRIKE]\r\nbegin=120\r\nend=122\r\nicon=1\r\n"
                  "[Alpha]\r\nbegin=5\r\nend=4\r\nicon=0\r\n"
                  "[Mega Run]\r\nbegin=1\r\nend=1\r\nicon=zz\r\n");
        pack::PeResourceWriter m;
        m.addString(120, "Level select: Up, Up, Down");
        m.addString(121, "");
        m.addString(122, "Infinite lives: A, B, C");
        m.addString(1, "mega");
        writeBytes(dir, "Sega/M.dll", m.build());

        dir.write("Sega/rus.dat", cp("Ёжик\r\nАист\r\nЕнот\r\n"));
        dir.write("Sega/RUS.ini", cp("[ёжик]\r\nbegin=7\r\nend=8\r\nicon=0\r\n[Аист]\r\nbegin=x10\r\nend=9\r\n"));
        pack::PeResourceWriter rus;
        rus.addString(7, cp("Бессмертие: ВВЕРХ"));
        rus.addString(8, cp("Все уровни"));
        writeBytes(dir, "Sega/RUS.dll", rus.build());

        QImage red(32, 32, QImage::Format_ARGB32);
        red.fill(Qt::red);
        QImage blue(32, 32, QImage::Format_ARGB32);
        blue.fill(Qt::blue);
        writeBytes(dir, "Sega/KODRIX32.ICL", pack::writeNeIconLibrary({pack::icoFromImage(red), pack::icoFromImage(blue)}));

        dir.write("PS2/BASE.INI", "");
        dir.write("PS2/A.dat", "Ace\nArc\n");
        dir.write("PS2/Q.dat", "Quest");
        dir.write("Empty/base.ini", "");
        dir.write("sol/guide.dll", "");
    }

    using Run = test::CliRun;
    Run run(std::vector<std::string> args) const { return test::runCli(dir.path(), std::move(args)); }

    test::TempDir dir;
};

}  // namespace

TEST_F(Cli, ListingVerbs) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"platforms"}, "EMPTY\nPS2\nSEGA\n"},
        {{"groups", "sega"}, "M\nRUS\n"},
        {{"groups", "Ps2"}, "A\nQ\n"},
        {{"count", "SEGA"}, "6\n"},
        {{"count", "ps2"}, "3\n"},
        {{"games", "SEGA", "m"}, "alpha\nMega Run\nMortal Strike\n"},
        {{"games", "sega", "rus"}, "Аист\nЁжик\nЕнот\n"},  // Ё sorts as Е, in UTF-8
        {{"codes", "sega", "M", "mortal strike"}, "Level select: Up, Up, Down\n\nInfinite lives: A, B, C\n"},
        {{"codes", "sega", "RUS", "ЁЖИК"}, "Бессмертие: ВВЕРХ\nВсе уровни\n"},
        {{"codes", "sega", "m", "alpha"}, ""},
    };
    for (const auto& c : cases) {
        Run r = run(c.args);
        EXPECT_EQ(r.code, 0) << c.args[0] << ' ' << r.err;
        EXPECT_EQ(r.out, c.out) << c.args[0];
        EXPECT_EQ(r.err, "") << c.args[0];
    }
}

TEST_F(Cli, ErrorsCarryTheProgramsTexts) {
    dir.write("PS2/A.ini", "[Ace]\nbegin=1\nend=2\n");
    dir.write("PS2/Q.ini", "[Quest]\nbegin=1\nend=2\nicon=0\n");
    dir.write("PS2/q.dll", "MZ");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string err;
        std::string out = "";
    };
    const Case cases[] = {
        {{"groups", "empty"}, 1, "Не найдено ни одной базы\n"},
        {{"count", "empty"}, 1, "Не найдено ни одной базы\n"},
        {{"codes", "sega", "z", "x"}, 1, "Не найден файл Z.ini\n"},
        {{"codes", "ps2", "a", "Ace"}, 1, "Не найден файл A.dll\n'' is not a valid integer value\n"},
        {{"codes", "ps2", "q", "Quest"}, 1,
         "Ошибка при использовании динамической библиотеки. Возможно библиотека отсутствует или испорчена.\n"},
        {{"codes", "sega", "rus", "аист"}, 1, "' 12 ' is not a valid integer value\n"},  // quotes keep blanks
        {{"codes", "sega", "m", "Mega Run"}, 1, "'zz' is not a valid integer value\n", "mega\n"},
        {{"codes", "sega", "m", "No Such Game"}, 1, "'' is not a valid integer value\n"},
        {{"games", "sega", "x"}, 1, "Cannot open file \"" + (dir.path() / "Sega" / "X.dat").string() +
                                        "\". No such file or directory\n"},
        {{"groups", "sol"}, 1, "kodrix-cli: no platform \"sol\" in the catalogue\n"},
    };
    dir.write("Sega/RUS.ini", cp("[Аист]\r\nbegin=\" 12 \"\r\nend=9\r\n"));
    for (const auto& c : cases) {
        Run r = run(c.args);
        EXPECT_EQ(r.code, c.code) << c.args[0] << ' ' << c.args[1];
        EXPECT_EQ(r.err, c.err) << c.args[0] << ' ' << c.args[1];
        EXPECT_EQ(r.out, c.out) << c.args[0] << ' ' << c.args[1];
    }
}

TEST_F(Cli, UsageErrorsExitWith2) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"frob"}, {"groups"}, {"games", "sega"}, {"codes", "a", "b", "c", "d"}, {"--bogus", "platforms"},
             {"icon", "sega", "one", "x.png"}}) {
        Run r = run(args);
        EXPECT_EQ(r.code, 2) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("usage: kodrix-cli"), std::string::npos);
    }
    std::ostringstream out, err;
    EXPECT_EQ(cli::runCli({"--catalogue", (dir.path() / "nowhere").string(), "platforms"}, out, err), 2);
}

TEST_F(Cli, HelpAndVersionGoToStdoutWithStatus0) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"--help", "frob"}}) {
        Run r = run(args);
        EXPECT_EQ(r.code, 0) << testing::PrintToString(args);
        EXPECT_EQ(r.out.rfind("usage: kodrix-cli", 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
    }
    Run version = run({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "kodrix-cli " KODRIX_VERSION "\n");
    EXPECT_EQ(version.err, "");
    // After "--" they are arguments: no verb of that name.
    EXPECT_EQ(run({"--", "--version"}).code, 2);
}

TEST_F(Cli, IconIsWrittenAsPng) {
    struct Case {
        std::string index;
        std::string out;
        QRgb centre;  // 0 = the substitute, not checked by colour
    };
    const Case cases[] = {
        {"0", "0\n", qRgb(255, 0, 0)},
        {"1", "1\n", qRgb(0, 0, 255)},
        {"$10001", "1\n", qRgb(0, 0, 255)},  // the low 16 bits, as an entry's value is used
        {"7", "7 substitute\n", 0},
    };
    for (const auto& c : cases) {
        auto png = dir.path() / ("icon" + c.index + ".png");
        Run r = run({"icon", "SEGA", c.index, png.string()});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, c.out);
        QImage image(QString::fromStdString(png.string()), "PNG");
        ASSERT_FALSE(image.isNull()) << c.index;
        EXPECT_EQ(image.size(), QSize(32, 32));
        if (c.centre) {
            EXPECT_EQ(image.pixel(16, 16) | 0xFF000000u, c.centre) << c.index;
        }
    }
    Run none = run({"icon", "PS2", "0", (dir.path() / "x.png").string()});
    EXPECT_EQ(none.code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.png"));
}

namespace {
std::string shell(const std::string& cmd) {
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return "popen failed";
    std::string output;
    char buf[256];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) output.append(buf, n);
    ::pclose(p);
    return output;
}
}  // namespace

TEST_F(Cli, WithoutCatalogueOptionTheExecutablesFolderIsRead) {
    // A copy of the binary inside the catalogue, started through a link from
    // elsewhere: the link is followed to the catalogue.
    std::filesystem::copy_file(std::string(KODRIX_BIN_DIR) + "/kodrix-cli", dir.path() / "kodrix-cli");
    auto link = dir.path() / "sol" / "cli-link";
    std::filesystem::create_symlink(dir.path() / "kodrix-cli", link);
    EXPECT_EQ(shell("'" + link.string() + "' platforms 2>&1"), "EMPTY\nPS2\nSEGA\n");
    // The icon verb's image module is looked for beside the program; the
    // copy has none, and says so.
    EXPECT_EQ(shell("'" + link.string() + "' icon sega 0 '" + (dir.path() / "x.png").string() + "' 2>&1; echo rc=$?"),
              "kodrix-cli: the image module " + (dir.path() / "kodrix-cli-icon.so").string() + " is missing\nrc=1\n");
}

TEST_F(Cli, TheBinaryLoadsItsImageModuleForTheIconVerbOnly) {
    const std::string cli = std::string("'") + KODRIX_BIN_DIR + "/kodrix-cli' --catalogue '" + dir.path().string() + "' ";
    const std::string png = (dir.path() / "icon.png").string();
    EXPECT_EQ(shell(cli + "icon sega 1 '" + png + "' 2>&1; echo rc=$?"), "1\nrc=0\n");
    EXPECT_FALSE(QImage(QString::fromStdString(png)).isNull());
}

TEST_F(Cli, TheBinaryRunsAsAProcess) {
    const std::string cmd = std::string("'") + KODRIX_BIN_DIR + "/kodrix-cli' --catalogue '" + dir.path().string() +
                            "' games sega rus 2>&1; echo \"rc=$?\"";
    EXPECT_EQ(shell(cmd), "Аист\nЁжик\nЕнот\nrc=0\n");

    const std::string bad = std::string("'") + KODRIX_BIN_DIR + "/kodrix-cli' --catalogue '" + dir.path().string() +
                            "' codes sega z x 2>&1 >/dev/null; echo \"rc=$?\"";
    EXPECT_EQ(shell(bad), "Не найден файл Z.ini\nrc=1\n");
}

namespace {

const std::string kCli = std::string(KODRIX_BIN_DIR) + "/kodrix-cli";

test::ProcessResult cliProcess(const test::TempDir& dir, std::vector<std::string> args, test::ProcessOptions options = {}) {
    args.insert(args.begin(), {kCli, "--catalogue", dir.path().string()});
    return test::runProcess(args, options);
}

}  // namespace

TEST_F(Cli, ListingsThatFailAreErrorsNotEmptyAnswers) {
    // Folders that cannot be listed (no read permission; under root the tool
    // runs as "nobody" so that the permission holds): an error and status 1,
    // never an empty list with status 0.
    test::openToEveryone(dir.path());
    std::filesystem::permissions(dir.path() / "Sega", std::filesystem::perms::owner_exec |
                                                          std::filesystem::perms::group_exec |
                                                          std::filesystem::perms::others_exec);
    struct Case {
        std::vector<std::string> args;
        std::filesystem::path folder;
    };
    const Case cases[] = {
        {{"groups", "sega"}, dir.path() / "Sega"},
        {{"count", "sega"}, dir.path() / "Sega"},
        {{"platforms"}, dir.path()},
    };
    for (const auto& c : cases) {
        if (c.folder == dir.path())
            std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_exec |
                                                         std::filesystem::perms::group_exec |
                                                         std::filesystem::perms::others_exec);
        const auto r = cliProcess(dir, c.args, {.dropRoot = true});
        EXPECT_EQ(r.exitCode, 1) << c.args[0] << ": " << r.out;
        EXPECT_EQ(r.out, "") << c.args[0];
        EXPECT_EQ(r.err, "Cannot list folder \"" + c.folder.string() + "\". Permission denied\n") << c.args[0];
    }
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    std::filesystem::permissions(dir.path() / "Sega", std::filesystem::perms::owner_all);
}

TEST_F(Cli, ListsThatAreNoRegularFilesAreReportedNotWaitedFor) {
    ASSERT_TRUE(test::makeFifo(dir.path() / "PS2" / "F.dat"));
    std::filesystem::create_directory(dir.path() / "PS2" / "D.dat");
    struct Case {
        const char* group;
        std::string reason;
    };
    for (const Case& c : {Case{"f", "Not a regular file"}, Case{"d", "Is a directory"}}) {
        const auto r = cliProcess(dir, {"games", "ps2", c.group}, {.timeout = std::chrono::seconds(10)});
        EXPECT_FALSE(r.timedOut) << c.group;
        EXPECT_EQ(r.exitCode, 1) << c.group;
        const std::string file = std::string(1, char(std::toupper(c.group[0]))) + ".dat";
        EXPECT_EQ(r.err, "Cannot open file \"" + (dir.path() / "PS2" / file).string() + "\". " + c.reason + "\n");
    }
    // The count passes them over, as the listing does.
    EXPECT_EQ(cliProcess(dir, {"count", "ps2"}).out, "3\n");
}

TEST_F(Cli, ADamagedIconIsTheSubstituteWithoutAWord) {
    // A PNG image whose data is cut short: the window shows the substitute
    // and says nothing, and so does the tool.
    QImage red(32, 32, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        red.save(&buffer, "PNG");
    }
    png.chop(png.size() / 2);
    std::vector<std::uint8_t> ico = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 32, 0};
    for (std::uint32_t v : {std::uint32_t(png.size()), 22u})
        for (int k = 0; k < 4; ++k) ico.push_back(std::uint8_t(v >> (8 * k)));
    ico.insert(ico.end(), png.begin(), png.end());
    writeBytes(dir, "PS2/kodrix32.icl", ico);
    const auto out = dir.path() / "damaged.png";
    const auto r = cliProcess(dir, {"icon", "ps2", "0", out.string()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "0 substitute\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(std::filesystem::exists(out));
}

TEST_F(Cli, GamesOfMillionsOfEmptyLinesFitTheirMemory) {
    // 5 million empty lines (10 MB): the list kept as its bytes and one
    // number per line fits in 250 MB; a list beyond the memory given ends
    // in the out-of-memory message, not in a bare std::bad_alloc.
    std::string lines;
    lines.reserve(10'000'000);
    for (int i = 0; i < 5'000'000; ++i) lines += "\r\n";
    dir.write("PS2/E.dat", lines);
    const auto fits = cliProcess(dir, {"games", "ps2", "e"}, {.timeout = std::chrono::seconds(60), .dataLimitBytes = 250u << 20});
    EXPECT_EQ(fits.exitCode, 0) << fits.err;
    EXPECT_EQ(fits.out.size(), 5'000'000u);
    const auto tight = cliProcess(dir, {"games", "ps2", "e"}, {.timeout = std::chrono::seconds(60), .dataLimitBytes = 20u << 20});
    EXPECT_EQ(tight.exitCode, 1);
    EXPECT_EQ(tight.err, "Out of memory\n");
}

TEST_F(Cli, CodesPrintTheWholeRangeOneStringPerIdByItsLow16Bits) {
    // 70,000 IDs: past the window's cap and past the 65536 string IDs.
    pack::PeResourceWriter m;
    m.addString(1, "one");
    m.addString(2, "two");
    m.addString(65535, "last");
    writeBytes(dir, "Sega/L.dll", m.build());
    dir.write("Sega/L.dat", "Long\r\n");
    dir.write("Sega/L.ini", "[Long]\r\nbegin=1\r\nend=70000\r\nicon=0\r\n");
    const Run r = run({"codes", "sega", "l", "long"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 70000u);
    const std::pair<std::size_t, const char*> expected[] = {
        {0, "one"}, {1, "two"}, {2, ""}, {65534, "last"}, {65535, ""} /* ID 65536 */, {65536, "one"}, {69999, ""}};
    for (const auto& [index, text] : expected) EXPECT_EQ(lines[index], text) << index;
}

TEST_F(Cli, CodesOfFourBillionIdsStreamInLittleMemoryUntilTheReaderStops) {
    pack::PeResourceWriter m;
    m.addString(1, "one");
    m.addString(2, "two");
    writeBytes(dir, "Sega/L.dll", m.build());
    dir.write("Sega/L.dat", "Long\r\n");
    dir.write("Sega/L.ini", "[Long]\r\nbegin=-2147483648\r\nend=2147483647\r\nicon=0\r\n");
    const std::string codes = "'" + kCli + "' --catalogue '" + dir.path().string() + "' codes sega l long";
    const auto bash = [](const std::string& script, rlim_t dataLimit = RLIM_INFINITY) {
        return test::runProcess({"/bin/bash", "-c", script},
                                {.timeout = std::chrono::seconds(60), .dataLimitBytes = dataLimit});
    };
    // `| head` ends it at once, as a normal end (ID -2^31 is string 0).
    const auto head = bash(codes + " | head -n 3; exit ${PIPESTATUS[0]}");
    EXPECT_EQ(head.exitCode, 0) << head.err;
    EXPECT_EQ(head.out, "\none\ntwo\n");
    EXPECT_EQ(head.err, "");
    // Three million lines (46 times the 65536 strings) within 32 MB of data:
    // the text is never held.
    const auto many = bash(codes + " | head -n 3000000 | wc -l; exit ${PIPESTATUS[0]}", 32u << 20);
    EXPECT_EQ(many.exitCode, 0) << many.err;
    EXPECT_EQ(many.out, "3000000\n");
    // Any other failure to write is an error.
    const auto full = bash(codes + " > /dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "kodrix-cli: cannot write the output. No space left on device\n");
}
