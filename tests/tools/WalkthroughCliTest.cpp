#include "tools/cli/Cli.h"

#include "catalogue/Cp1251.h"
#include "support/JpegEncode.h"
#include "support/TempDir.h"
#include "tools/pack/CatalogueBuilder.h"
#include "support/CliRun.h"

#include <gtest/gtest.h>

#include <sstream>

#include <jerror.h>

using namespace kodrix;

namespace {

using Bytes = std::vector<std::uint8_t>;

// sol/ with three walkthroughs (two of one name), a module without a name
// and a file that is no module.
struct WalkthroughCli : testing::Test {
    test::TempDir dir;
    Bytes shot = test::solidJpeg(64, 48, qRgb(1, 2, 3));

    WalkthroughCli() {
        auto add = [&](const std::string& file, const std::string& nameUtf8,
                       std::vector<std::pair<std::string, Bytes>> images) {
            pack::WalkthroughSource w;
            w.displayName = cp1251::fromUtf8(nameUtf8);
            w.document = {'{', '}'};
            w.images = std::move(images);
            pack::writeWalkthrough(dir.mkdir("sol") / file, w);
        };
        add("b.dll", "Ёлка", {{"12", shot}, {"", Bytes{'n', 'o', 't'}}});
        add("a.dll", "алмаз", {});
        add("c.dll", "Алмаз", {});
        add("d.dll", "Алмаз", {});
        dir.write("sol/e.dll", "not a module");
    }

    using Run = test::CliRun;
    Run run(std::vector<std::string> args) const { return test::runCli(dir.path(), std::move(args)); }
};

}  // namespace

TEST_F(WalkthroughCli, NamesAreListedSortedWithDuplicates) {
    const Run r = run({"walkthroughs"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "алмаз\nАлмаз\nАлмаз\nЁлка\n");  // the list's order: case-blind, Ё beside Е
    EXPECT_EQ(r.err, "");
    test::TempDir empty;
    std::ostringstream out, err;
    EXPECT_EQ(cli::runCli({"--catalogue", empty.path().string(), "walkthroughs"}, out, err), 0);
    EXPECT_EQ(out.str(), "");
}

TEST_F(WalkthroughCli, ScreenshotIsWrittenAndItsSizePrinted) {
    const auto outFile = dir.path() / "out.jpg";
    const Run r = run({"screenshot", "Ёлка", "12", outFile.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "64x48\n");
    EXPECT_EQ(pack::readFileBytes(outFile), shot);

    struct Case {
        std::vector<std::string> args;
        int code;
        std::string err;
    };
    const Case cases[] = {
        {{"screenshot", "Ёлка", "7", outFile.string()}, 1, "Resource img7 not found\n"},
        {{"screenshot", "Ёлка", "", outFile.string()}, 1, "JPEG error #" + std::to_string(JERR_NO_SOI) + "\n"},
        {{"screenshot", "ёлка", "12", outFile.string()}, 1, "kodrix-cli: no walkthrough \"ёлка\" in the catalogue\n"},
        {{"screenshot", "Ёлка", "12", (dir.path() / "no" / "x.jpg").string()}, 1,
         "Cannot create file \"" + (dir.path() / "no" / "x.jpg").string() + "\". No such file or directory\n"},
        {{"screenshot", "Ёлка", "12"}, 2, ""},
    };
    for (const auto& c : cases) {
        const Run bad = run(c.args);
        EXPECT_EQ(bad.code, c.code) << c.args[2];
        if (c.code == 1) {
            EXPECT_EQ(bad.err, c.err) << c.args[2];
        }
        EXPECT_EQ(bad.out, "") << c.args[2];
    }
}
