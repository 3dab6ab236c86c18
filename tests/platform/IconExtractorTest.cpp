#include "platform/icons/IconExtractor.h"

#include "catalogue/IconLibrary.h"
#include "support/TempDir.h"
#include "tools/pack/IcoWriter.h"
#include "tools/pack/NeWriter.h"
#include "tools/pack/PeWriter.h"

#include <QBuffer>
#include <QColor>

#include <gtest/gtest.h>

using namespace kodrix;

namespace {

using Bytes = std::vector<std::uint8_t>;

void add16(Bytes& b, std::uint16_t v) { b.push_back(std::uint8_t(v)); b.push_back(std::uint8_t(v >> 8)); }
void add32(Bytes& b, std::uint32_t v) { add16(b, std::uint16_t(v)); add16(b, std::uint16_t(v >> 16)); }

// A square icon DIB of one colour, 8 bpp (one palette entry used) or 32 bpp.
Bytes solidDib(int size, int bpp, QColor colour) {
    Bytes b;
    add32(b, 40);
    add32(b, std::uint32_t(size));
    add32(b, std::uint32_t(2 * size));
    add16(b, 1);
    add16(b, std::uint16_t(bpp));
    for (int i = 0; i < 6; ++i) add32(b, 0);
    if (bpp == 8) {
        for (int i = 0; i < 256; ++i) {
            b.push_back(std::uint8_t(colour.blue()));
            b.push_back(std::uint8_t(colour.green()));
            b.push_back(std::uint8_t(colour.red()));
            b.push_back(0);
        }
        const int stride = (size + 3) / 4 * 4;
        b.insert(b.end(), std::size_t(stride * size), 0);
    } else {
        for (int i = 0; i < size * size; ++i) {
            b.push_back(std::uint8_t(colour.blue()));
            b.push_back(std::uint8_t(colour.green()));
            b.push_back(std::uint8_t(colour.red()));
            b.push_back(0xFF);
        }
    }
    b.insert(b.end(), std::size_t((size + 31) / 32 * 4 * size), 0);  // AND mask: all opaque
    return b;
}

struct Image { int size; int bpp; QColor colour; };

Bytes icoOf(const std::vector<Image>& wanted, std::vector<Bytes>& storage) {
    storage.clear();
    for (const auto& s : wanted) storage.push_back(solidDib(s.size, s.bpp, s.colour));
    std::vector<IcoImage> images;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        IcoImage img;
        img.width = img.height = std::uint8_t(wanted[i].size == 256 ? 0 : wanted[i].size);
        img.planes = 1;
        img.bitCount = std::uint16_t(wanted[i].bpp);
        img.data = storage[i];
        images.push_back(img);
    }
    return writeIco(images);
}

QColor centre(const QImage& image) { return image.pixelColor(image.width() / 2, image.height() / 2); }

std::filesystem::path writeBytes(const test::TempDir& dir, const char* name, const Bytes& bytes) {
    return dir.write(name, std::string(bytes.begin(), bytes.end()));
}

}  // namespace

TEST(IconExtractor, TakesTheLargeIconTheShellWouldShow) {
    const QColor red(200, 0, 0), green(0, 200, 0), blue(0, 0, 200), grey(90, 90, 90);
    struct Case {
        const char* what;
        std::vector<Image> images;
        QColor expected;
    };
    const Case cases[] = {
        {"32x32 of the greatest depth", {{48, 32, red}, {32, 8, green}, {32, 32, blue}, {16, 32, grey}}, blue},
        {"size before depth", {{16, 32, red}, {32, 8, green}}, green},
        {"closest size not above 32", {{16, 8, red}, {24, 32, green}, {48, 32, blue}}, green},
        {"only larger sizes: the smallest", {{64, 32, red}, {48, 8, green}}, green},
        {"equal images: the first", {{32, 32, green}, {32, 32, red}}, green},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        std::vector<Bytes> storage;
        auto path = writeBytes(dir, "case.ico", icoOf(c.images, storage));
        auto icon = extractIcon(path, 0);
        EXPECT_FALSE(icon.substitute) << c.what;
        EXPECT_EQ(icon.image.size(), QSize(32, 32)) << c.what;
        EXPECT_EQ(centre(icon.image), c.expected) << c.what;
    }
}

TEST(IconExtractor, PngImagesInsideIconsAreDecoded) {
    QImage png(32, 32, QImage::Format_ARGB32);
    png.fill(QColor(10, 120, 30));
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(png.save(&buffer, "PNG"));
    IcoImage img;
    img.width = img.height = 32;
    img.planes = 1;
    img.bitCount = 32;
    img.data = std::span(reinterpret_cast<const std::uint8_t*>(encoded.constData()), std::size_t(encoded.size()));
    test::TempDir dir;
    auto icon = extractIcon(writeBytes(dir, "png.ico", writeIco({img})), 0);
    EXPECT_FALSE(icon.substitute);
    EXPECT_EQ(centre(icon.image), QColor(10, 120, 30));
}

TEST(IconExtractor, LibrariesGiveTheIconAtTheirIndex) {
    const QColor colours[] = {QColor(250, 0, 0), QColor(0, 250, 0), QColor(0, 0, 250)};
    std::vector<Bytes> icos;
    for (const auto& c : colours) {
        QImage image(20, 20, QImage::Format_ARGB32);
        image.fill(c);
        icos.push_back(pack::icoFromImage(image));
    }
    test::TempDir dir;
    auto icl = writeBytes(dir, "kodrix32.icl", pack::writeNeIconLibrary(icos));

    pack::PeResourceWriter pe;
    std::uint16_t iconId = 1;
    for (std::size_t g = 0; g < icos.size(); ++g) {
        // The group resource: the .ico directory with 14-byte entries naming RT_ICONs.
        auto images = *readIcoDirectory(icos[g]);
        Bytes group;
        add16(group, 0);
        add16(group, 1);
        add16(group, std::uint16_t(images.size()));
        for (const auto& img : images) {
            group.insert(group.end(), {img.width, img.height, img.colorCount, img.reserved});
            add16(group, img.planes);
            add16(group, img.bitCount);
            add32(group, std::uint32_t(img.data.size()));
            add16(group, iconId);
            pe.add(ResourceId::id(RT_ICON), ResourceId::id(iconId++), 0, Bytes(img.data.begin(), img.data.end()));
        }
        // IDs 30, 20, 10: directory order (IDs ascending) reverses the colours.
        pe.add(ResourceId::id(RT_GROUP_ICON), ResourceId::id(std::uint16_t(30 - 10 * g)), 0, group);
    }
    auto dll = writeBytes(dir, "icons.dll", pe.build());

    for (int i = 0; i < 3; ++i) {
        auto fromIcl = extractIcon(icl, std::uint16_t(i));
        EXPECT_FALSE(fromIcl.substitute);
        EXPECT_EQ(fromIcl.indexUsed, i);
        EXPECT_EQ(centre(fromIcl.image), colours[i]);
        auto fromDll = extractIcon(dll, std::uint16_t(i));
        EXPECT_FALSE(fromDll.substitute);
        EXPECT_EQ(centre(fromDll.image), colours[2 - i]);
    }
}

TEST(IconExtractor, AnythingUnreadableGivesTheSubstitute) {
    test::TempDir dir;
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::yellow);
    auto icl = writeBytes(dir, "kodrix32.icl", pack::writeNeIconLibrary({pack::icoFromImage(image)}));
    std::vector<Bytes> storage;
    Bytes badDib = icoOf({{32, 32, Qt::red}}, storage);
    std::fill(badDib.begin() + 22, badDib.begin() + 62, 0xEE);  // the bitmap header
    const std::pair<std::filesystem::path, std::uint16_t> cases[] = {
        {icl, 1},
        {icl, 65535},
        {dir.path() / "missing.icl", 0},
        {dir.path(), 0},
        {dir.write("garbage.icl", "MZ garbage garbage garbage"), 0},
        {writeBytes(dir, "bad.ico", badDib), 0},
    };
    const QImage substitute = substituteIcon();
    EXPECT_EQ(substitute.size(), QSize(32, 32));
    for (const auto& [path, index] : cases) {
        auto icon = extractIcon(path, index);
        EXPECT_TRUE(icon.substitute) << path << " " << index;
        EXPECT_EQ(icon.indexUsed, index);
        EXPECT_EQ(icon.image, substitute);
    }
    EXPECT_FALSE(extractIcon(icl, 0).substitute);
}
