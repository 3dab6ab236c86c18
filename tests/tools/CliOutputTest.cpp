// kodrix-cli's output: a write that fails is an error of every verb, a
// screenshot replaces its file whole or not at all, and control characters
// from the catalogue reach a terminal escaped and a pipe unchanged.
#include "tools/cli/Cli.h"
#include "tools/cli/Output.h"

#include "catalogue/Cp1251.h"
#include "catalogue/WalkthroughTable.h"
#include "support/CliRun.h"
#include "support/CatalogueFixture.h"
#include "support/Hostile.h"
#include "support/JpegEncode.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace kodrix;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kCli = std::string(KODRIX_BIN_DIR) + "/kodrix-cli";

std::string cp(const std::string& utf8) { return cp1251::fromUtf8(utf8); }

std::string contentOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Platform P, group G with a game whose name and code line carry terminal
// commands (clear the screen, ring, colour, carriage return), a plain game,
// one icon; platform Q; a walkthrough whose name carries a colour command, with a
// document and screenshot 12.
struct CliOutput : testing::Test {
    test::CatalogueFixture cat;
    Bytes shot = test::solidJpeg(64, 48, qRgb(1, 2, 3));
    const std::string evilGame = "Evil\x1b[2J\a game";
    const std::string evilCode = "code \x1b[31mred\rhidden";
    const std::string evilWalkthrough = cp("Путь\x1b[31m\x7f");

    CliOutput() {
        cat.platform("P");
        cat.group("P", "G", {{evilGame, 0, {evilCode}}, {"Plain", 0, {"a"}}});
        cat.icons("P", 1);
        cat.platform("Q");  // the chart needs two platforms to say anything
        cat.group("Q", "A", {{"Quiet", 0, {"q"}}});
        pack::WalkthroughSource w;
        w.displayName = evilWalkthrough;
        w.document = {'{', '\\', 'r', 't', 'f', '1', ' ', 'T', 'e', 'x', 't', '}'};
        w.images = {{"12", shot}};
        pack::writeWalkthrough(cat.dir.mkdir("sol") / "w.dll", w);
        test::openToEveryone(cat.dir.path());
    }

    test::ProcessResult cli(std::vector<std::string> args, test::ProcessOptions options = {}) const {
        args.insert(args.begin(), {kCli, "--catalogue", cat.dir.path().string()});
        return test::runProcess(args, options);
    }
    test::CliRun run(const std::vector<std::string>& args) const { return test::runCli(cat.dir.path(), args); }
};

}  // namespace

TEST_F(CliOutput, EveryVerbFailsWhenItsOutputCannotBeWritten) {
    const fs::path shots = cat.dir.mkdir("shots");
    const std::string walkthrough = cp1251::toUtf8(evilWalkthrough);
    const std::vector<std::vector<std::string>> verbs = {
        {"platforms"},
        {"groups", "P"},
        {"count", "P"},
        {"games", "P", "G"},
        {"codes", "P", "G", "Plain"},
        {"search", "P", "a"},
        {"grep", "a"},
        {"icon", "P", "0", (shots / "icon.png").string()},
        {"stats"},
        {"walkthroughs"},
        {"walkthrough", walkthrough},
        {"screenshot", walkthrough, "12", (shots / "shot.jpg").string()},
        {"--help"},
        {"--version"},
    };
    const struct {
        test::Stdout where;
        std::string reason;
    } outputs[] = {
        {test::Stdout::FullDevice, "No space left on device"},
        {test::Stdout::Closed, "Bad file descriptor"},
    };
    for (const auto& o : outputs) {
        for (const auto& verb : verbs) {
            const auto r = cli(verb, {.stdoutTo = o.where});
            EXPECT_EQ(r.exitCode, 1) << verb[0] << " " << o.reason;
            EXPECT_EQ(r.err, "kodrix-cli: cannot write the output. " + o.reason + "\n") << verb[0];
        }
    }
    // With stdout closed, no file the verb opens took its place.
    EXPECT_EQ(pack::readFileBytes(shots / "shot.jpg"), shot);
}

TEST_F(CliOutput, AScreenshotIsReplacedWholeOrNotAtAll) {
    const fs::path shots = cat.dir.mkdir("shots");
    const fs::path target = cat.dir.write("shots/shot.jpg", "the old picture");
    const std::string walkthrough = cp1251::toUtf8(evilWalkthrough);
    {
        test::FileSizeLimit disk(16);  // the disk takes only part of the picture
        const test::CliRun r = run({"screenshot", walkthrough, "12", target.string()});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "Cannot create file \"" + target.string() + "\". File too large\n");
    }
    EXPECT_EQ(contentOf(target), "the old picture");
    EXPECT_EQ(std::distance(fs::directory_iterator(shots), fs::directory_iterator()), 1);  // no leftover

    // A file the user may write in a folder that takes no new file (the
    // tool runs as an ordinary user): written where it is.
    const fs::path locked = cat.dir.mkdir("locked");
    const fs::path mine = cat.dir.write("locked/mine.jpg", "the old picture");
    if (test::runningAsRoot()) {
        ASSERT_EQ(::chown(mine.c_str(), test::kNobody, test::kNobody), 0);
    } else {
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const auto r = cli({"screenshot", walkthrough, "12", mine.string()}, {.dropRoot = true});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "64x48\n");
    EXPECT_EQ(pack::readFileBytes(mine), shot);
    fs::permissions(locked, fs::perms::owner_all);
}

TEST(CliEscapes, ControlCharactersAsLsShowsThem) {
    const struct {
        std::string text, shown;
    } cases[] = {
        {"plain text, \xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0", "plain text, \xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0"},
        {"tab\tand\nline feed stay", "tab\tand\nline feed stay"},
        {"\x1b]0;title\a", "\\033]0;title\\a"},
        {"\b\v\f\r", "\\b\\v\\f\\r"},
        {std::string("nul\0end", 7), "nul\\000end"},
        {"\x7f\x1f", "\\177\\037"},
        {"\xC2\x9B" "2J", "\\302\\2332J"},     // U+009B, the one-character CSI
        {"\xC2\xA0\xC2\x80", "\xC2\xA0\\302\\200"},  // U+00A0 is no control; U+0080 is
        {"\xC2", "\xC2"},                        // a cut sequence is left alone
    };
    for (const auto& c : cases) EXPECT_EQ(cli::escapeControls(c.text), c.shown) << c.shown;
}

TEST_F(CliOutput, ATerminalSeesControlCharactersEscapedAPipeTheBytes) {
    const std::string game = cp1251::toUtf8(evilGame);
    const struct {
        std::vector<std::string> args;
        std::string piped, shown;
    } cases[] = {
        {{"games", "P", "G"}, game + "\nPlain\n", "Evil\\033[2J\\a game\nPlain\n"},
        {{"codes", "P", "G", game}, evilCode + "\n", "code \\033[31mred\\rhidden\n"},
        {{"walkthroughs"}, cp1251::toUtf8(evilWalkthrough) + "\n", "Путь\\033[31m\\177\n"},
        {{"search", "P", "evil"}, game + "\n", "Evil\\033[2J\\a game\n"},
    };
    for (const auto& c : cases) {
        const auto piped = cli(c.args);
        EXPECT_EQ(piped.exitCode, 0) << piped.err;
        EXPECT_EQ(piped.out, c.piped) << c.args[0];
        const auto shown = cli(c.args, {.stdoutTo = test::Stdout::Terminal});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_EQ(shown.out, c.shown) << c.args[0];
    }
}

TEST_F(CliOutput, DisplayNamesAreCutAsTheListCutsThem) {
    pack::WalkthroughSource w;
    w.displayName = std::string(kMaxDisplayNameLength + 100, 'N');
    w.document = {'{', '\\', 'r', 't', 'f', '1', ' ', 'L', 'o', 'n', 'g', '}'};
    pack::writeWalkthrough(cat.dir.path() / "sol" / "long.dll", w);
    const std::string cut(kMaxDisplayNameLength, 'N');
    const test::CliRun list = run({"walkthroughs"});
    EXPECT_NE(("\n" + list.out).find("\n" + cut + "\n"), std::string::npos);
    EXPECT_EQ(list.out.find(cut + "N"), std::string::npos);
    EXPECT_EQ(run({"walkthrough", cut}).out, "Long\n");
}
