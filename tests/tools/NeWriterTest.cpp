#include "tools/pack/IcoWriter.h"
#include "tools/pack/NeWriter.h"

#include "catalogue/ByteCursor.h"
#include "catalogue/Error.h"
#include "tools/pack/PackError.h"
#include "catalogue/IconLibrary.h"
#include "catalogue/NeResources.h"
#include "support/TempDir.h"

#include <QColor>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

using namespace kodrix;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes solidIco(QColor colour, int w = 32, int h = 32) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return pack::icoFromImage(image);
}

std::filesystem::path writeBytes(const test::TempDir& dir, const char* name, const Bytes& bytes) {
    return dir.write(name, std::string(bytes.begin(), bytes.end()));
}

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[512];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

}  // namespace

TEST(IcoWriter, ImagesBecomeTwoTrueColourIconsWithMasks) {
    QImage image(40, 20, QImage::Format_ARGB32);  // not square: centred, padding transparent
    image.fill(QColor(10, 20, 30));
    const Bytes ico = pack::icoFromImage(image);
    auto images = readIcoDirectory(ico, /*strict=*/true);
    ASSERT_TRUE(images);
    ASSERT_EQ(images->size(), 2u);
    const struct { int size; std::size_t bytes; } expected[] = {{32, 40 + 32 * 32 * 4 + 32 * 4}, {16, 40 + 16 * 16 * 4 + 16 * 4}};
    for (std::size_t i = 0; i < 2; ++i) {
        const IcoImage& img = (*images)[i];
        EXPECT_EQ(img.pixelWidth(), expected[i].size);
        EXPECT_EQ(img.bitCount, 32);
        ASSERT_EQ(img.data.size(), expected[i].bytes);
        EXPECT_EQ(le32(img.data.data() + 8), std::uint32_t(2 * expected[i].size));  // biHeight doubled
    }
    // 32x32: rows 0..5 and 26..31 are padding. Bottom-up, so the first XOR row
    // is the image's last (transparent) row, and the AND mask marks it.
    const std::uint8_t* dib = (*images)[0].data.data();
    EXPECT_EQ(dib[40 + 3], 0);                                   // alpha of bottom-left pixel
    EXPECT_EQ(dib[40 + 4 * (32 * 16) + 3], 0xFF);                // a middle row is opaque
    EXPECT_EQ(dib[40 + 4 * (32 * 16)], 30);                      // blue first (BGRA)
    const std::uint8_t* mask = dib + 40 + 32 * 32 * 4;
    EXPECT_EQ(mask[0], 0xFF);       // bottom row transparent
    EXPECT_EQ(mask[16 * 4], 0x00);  // middle row opaque
}

TEST(IcoWriter, FilesAreTakenAsIconsOrConvertedOrRefused) {
    test::TempDir dir;
    const Bytes ico = solidIco(Qt::red);
    EXPECT_EQ(pack::icoFromFile(writeBytes(dir, "a.ico", ico)), ico);  // unchanged

    QImage png(8, 8, QImage::Format_ARGB32);
    png.fill(Qt::blue);
    ASSERT_TRUE(png.save(QString::fromStdString((dir.path() / "b.png").string())));
    auto converted = readIcoDirectory(pack::icoFromFile(dir.path() / "b.png"));
    ASSERT_TRUE(converted);
    EXPECT_EQ(converted->size(), 2u);

    Bytes cut(ico.begin(), ico.end() - 1);  // last image one byte short
    for (const auto& bad : {writeBytes(dir, "cut.ico", cut), dir.write("text.png", "not an image"),
                            dir.path() / "missing.png"})
        EXPECT_THROW(pack::icoFromFile(bad), pack::PackError) << bad;
}

TEST(NeWriter, LibraryRoundTripsGroupByGroup) {
    const std::vector<Bytes> icos = {solidIco(Qt::red), solidIco(Qt::green, 16, 16), solidIco(Qt::blue, 50, 10)};
    const Bytes icl = pack::writeNeIconLibrary(icos);
    auto table = NeResources::parse(icl);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->alignShift(), 4u);
    const auto icons = table->ofType(3);
    const auto groups = table->ofType(14);
    ASSERT_EQ(icons.size(), 6u);
    ASSERT_EQ(groups.size(), 3u);
    for (std::size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i].idNumber(), i + 1);
        EXPECT_EQ(groups[i].flags, 0x1030);
    }
    for (std::size_t i = 0; i < icons.size(); ++i) EXPECT_EQ(icons[i].idNumber(), i + 1);
    for (unsigned i = 0; i < icos.size(); ++i) EXPECT_EQ(iconGroupAsIcoFromBytes(icl, i), icos[i]) << i;
    EXPECT_FALSE(iconGroupAsIcoFromBytes(icl, 3));
    EXPECT_EQ(icl.size() % 16, 0u);  // the last resource is padded to its rounded length

    // Resident names: the module name, as readers expect it right after the resource table.
    const std::size_t resident = 0x40 + le16(icl.data() + 0x40 + 0x26);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(icl.data() + resident + 1), icl[resident]), "KODRIX32");
    EXPECT_GT(le16(icl.data() + 0x40 + 0x26) - le16(icl.data() + 0x40 + 0x24), 8);

    EXPECT_THROW(pack::writeNeIconLibrary({Bytes{0, 0, 1, 0, 1, 0}}), pack::PackError);  // an entry missing
    EXPECT_EQ(iconGroupCountFromBytes(pack::writeNeIconLibrary({})), 0u);
}

TEST(NeWriter, DataBeyondOneMebibyteRaisesTheAlignment) {
    // 300 icons of 5.4 KB: more than 16-bit offsets in 16-byte units reach.
    std::vector<Bytes> icos(300, solidIco(Qt::gray));
    icos.back() = solidIco(Qt::magenta);
    const Bytes icl = pack::writeNeIconLibrary(icos);
    auto table = NeResources::parse(icl);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->alignShift(), 5u);
    EXPECT_EQ(iconGroupAsIcoFromBytes(icl, 299), icos.back());
}

TEST(NeWriter, WrestoolListsAndExtractsWhatWeWrite) {
    if (run("command -v wrestool").empty()) GTEST_SKIP() << "wrestool (icoutils) is not installed";
    test::TempDir dir;
    const std::vector<Bytes> icos = {solidIco(Qt::red), solidIco(Qt::green)};
    auto icl = writeBytes(dir, "kodrix32.icl", pack::writeNeIconLibrary(icos));
    const std::string listing = run("wrestool -l '" + icl.string() + "' 2>/dev/null");
    for (const char* line : {"--type=3 --name=1 ", "--type=3 --name=4 ", "--type=14 --name=1 ", "--type=14 --name=2 "})
        EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
    EXPECT_EQ(listing.find("--type=3 --name=5 "), std::string::npos);

    run("wrestool -x -t14 -n2 -o '" + dir.path().string() + "/out.ico' '" + icl.string() + "' 2>/dev/null");
    std::ifstream in(dir.path() / "out.ico", std::ios::binary);
    const Bytes extracted((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // wrestool copies the rounded NE sizes; the images it finds are still ours.
    auto images = readIcoDirectory(extracted, /*strict=*/true);
    ASSERT_TRUE(images);
    auto ours = *readIcoDirectory(icos[1]);
    ASSERT_EQ(images->size(), ours.size());
    for (std::size_t i = 0; i < ours.size(); ++i)
        EXPECT_TRUE(std::equal(ours[i].data.begin(), ours[i].data.end(), (*images)[i].data.begin()));
}
