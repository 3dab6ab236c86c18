// The RTF and plain-text writers, alone and in round trips through the reader
// and through QTextDocument.
#include "platform/richedit/RtfReader.h"
#include "platform/richedit/RtfWriter.h"
#include "platform/richedit/TextDocumentConversion.h"

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

using namespace kodrix;
using namespace kodrix::rtf;

namespace {

std::u16string u16(const char* utf8) {
    const QString q = QString::fromUtf8(utf8);
    return std::u16string(reinterpret_cast<const char16_t*>(q.utf16()), static_cast<std::size_t>(q.size()));
}

// A run with its font and colours resolved, so documents with differently
// numbered tables compare by what they show.
struct Shown {
    std::u16string text;
    bool bold, italic, underline, strikeOut;
    int halfPoints;
    std::u16string font;
    std::optional<Color> foreground, background;
    std::vector<std::uint8_t> picture;
    bool operator==(const Shown&) const = default;
};
struct ShownParagraph {
    ParaFormat format;
    std::vector<Shown> runs;
    bool operator==(const ShownParagraph&) const = default;
};
void PrintTo(const ShownParagraph& p, std::ostream* os) {
    *os << "paragraph of " << p.runs.size() << " runs:";
    for (const Shown& s : p.runs) *os << " [" << QString::fromStdU16String(s.text).toStdString() << "]";
}

std::vector<ShownParagraph> shown(const Document& doc) {
    std::vector<ShownParagraph> out;
    for (const Paragraph& p : doc.paragraphs) {
        ShownParagraph sp{p.format, {}};
        for (const Run& r : p.runs) {
            const CharFormat& f = r.format;
            Shown s{r.text, f.bold, f.italic, f.underline, f.strikeOut, f.halfPoints, {}, {}, {}, {}};
            if (f.font >= 0) s.font = doc.fonts.at(static_cast<std::size_t>(f.font)).name;
            if (f.foreground >= 0) s.foreground = doc.colors.at(static_cast<std::size_t>(f.foreground));
            if (f.background >= 0) s.background = doc.colors.at(static_cast<std::size_t>(f.background));
            if (r.isPicture()) s.picture = doc.pictures.at(static_cast<std::size_t>(r.picture)).bytes;
            sp.runs.push_back(std::move(s));
        }
        out.push_back(std::move(sp));
    }
    return out;
}

std::vector<std::uint8_t> pngBytes() {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// A document with every property the writer writes.
Document sample() {
    Document doc;
    doc.fonts = {{u"Unused", 1, 0}, {u"Arial", 204, 0}, {u16("Курьер"), 204, 0}, {u"Semi;Colon", 204, 0}};
    doc.colors = {{1, 2, 3}, {255, 0, 0}, {0, 128, 255}};
    doc.pictures.push_back(Picture{Picture::Kind::Png, pngBytes(), 3, 2, 450, 300, 100, 100});
    CharFormat plain;
    CharFormat bold{.bold = true, .halfPoints = 28, .font = 1};
    CharFormat styled{.italic = true, .underline = true, .strikeOut = true, .font = 2, .foreground = 1, .background = 2};
    doc.paragraphs.clear();
    Paragraph title{{Alignment::Center, 0, 0, 0, 120, 240}, {}, {}};
    appendText(title, u16("Прохождение {игры} \\ "), bold);
    appendText(title, u16("α中😀 €№"), styled);
    doc.paragraphs.push_back(title);
    Paragraph body{{Alignment::Justify, 720, 360, -360, 0, 0}, {}, {}};
    appendText(body, u"a\tb\u2028c", plain);
    body.runs.push_back(Run{{}, plain, 0});
    appendText(body, u"after", plain);
    appendText(body, u" semi", CharFormat{.font = 3});  // a ';' in a font name is escaped, not dropped
    doc.paragraphs.push_back(body);
    doc.paragraphs.push_back(Paragraph{{Alignment::Right}, {}, {}});  // empty
    return doc;
}

}  // namespace

TEST(RtfWriter, WriterThenReaderKeepsTextFormattingAndParagraphs) {
    const Document doc = sample();
    const std::string rtf = writeRtf(doc);
    const auto back = readRtf(rtf);
    ASSERT_TRUE(back);
    EXPECT_EQ(shown(*back), shown(doc));
    EXPECT_EQ(back->pictures.at(0).goalWidth, 450);
    EXPECT_EQ(back->pictures.at(0).widthPixels, 3);
}

TEST(RtfWriter, Cp1251WithTablesOfWhatIsUsedAndUnicodeBeyond) {
    const std::string rtf = writeRtf(sample());
    EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1251")) << rtf.substr(0, 40);
    EXPECT_EQ(rtf.find("Unused"), std::string::npos);
    EXPECT_NE(rtf.find("{\\f0\\fnil\\fcharset204 Arial;}{\\f1\\fnil\\fcharset204 \\'ca\\'f3\\'f0\\'fc\\'e5\\'f0;}"),
              std::string::npos);
    EXPECT_NE(rtf.find("{\\f2\\fnil\\fcharset204 Semi\\'3bColon;}"), std::string::npos);
    EXPECT_EQ(rtf.find("\\red1\\green2\\blue3"), std::string::npos);  // a colour nothing uses
    EXPECT_NE(rtf.find("{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"), std::string::npos);
    // Cyrillic as cp1251 bytes, the characters outside cp1251 as \uN (negative above 32767).
    EXPECT_NE(rtf.find("\\'cf\\'f0\\'ee"), std::string::npos);
    EXPECT_NE(rtf.find("\\u945?\\u20013?\\u-10179?\\u-8704? \\'88\\'b9"), std::string::npos);
    EXPECT_NE(rtf.find("\\{\\'e8\\'e3\\'f0\\'fb\\} \\\\"), std::string::npos);
    for (unsigned char c : rtf) EXPECT_LT(c, 0x80);  // seven-bit clean
}

TEST(RtfWriter, PlainTextIsCp1251WithCrLfBetweenLines) {
    const std::string text = writePlainText(sample());
    // Unmappable characters become '?' (a surrogate pair one), the picture is left out, the last
    // (empty) paragraph has no line end of its own.
    const std::string expected = "\xCF\xF0\xEE\xF5\xEE\xE6\xE4\xE5\xED\xE8\xE5 {\xE8\xE3\xF0\xFB} \\ ??? \x88\xB9\r\n"
                                 "a\tb\r\ncafter semi\r\n";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(writePlainText(documentFromText(u"one\r\ntwo\nthree")), "one\r\ntwo\r\nthree");
    EXPECT_EQ(writePlainText(Document{}), "");
}

TEST(RtfWriter, RoundTripThroughTextDocumentKeepsWhatIsShown) {
    const Document doc = sample();
    QTextDocument text;
    fillTextDocument(text, doc);
    EXPECT_EQ(text.blockCount(), 3);
    const QTextBlock title = text.firstBlock();
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(title.blockFormat().bottomMargin(), 16.0);  // 240 twips at 96 pixels per inch
    const QTextCharFormat first = title.begin().fragment().charFormat();
    EXPECT_EQ(first.fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_EQ(first.fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(first.fontPointSize(), 14.0);

    // The model of the document, and the RTF of the document read back.
    const Document model = modelOfTextDocument(text);
    EXPECT_EQ(shown(model), shown(doc));
    const QByteArray rtf = rtfOfDocument(text);
    const auto back = readRtf(std::string_view(rtf.constData(), static_cast<std::size_t>(rtf.size())));
    ASSERT_TRUE(back);
    EXPECT_EQ(shown(*back), shown(doc));
    EXPECT_EQ(plainTextOfDocument(text), QByteArray::fromStdString(writePlainText(doc)));
}

TEST(RtfWriter, PicturesKeepTheirBytesAndShowAtTheirGoalSize) {
    Document doc;
    doc.pictures.push_back(Picture{Picture::Kind::Png, pngBytes(), 3, 2, 1500, 0, 50, 200});
    doc.pictures.push_back(Picture{Picture::Kind::Png, {0x89, 'P', 'N', 'G', 1, 2, 3, 4, 5}, 0, 0, 0, 0, 100, 100});
    doc.paragraphs[0].runs = {rtf::Run{{}, {}, 0}, rtf::Run{{}, {}, 1}};
    QTextDocument text;
    fillTextDocument(text, doc);
    // The damaged second picture is left out; the first is 1500 twips (100 px) at 50 %, and 2 px at 200 %.
    const QTextFragment f = text.firstBlock().begin().fragment();
    ASSERT_TRUE(f.charFormat().isImageFormat());
    EXPECT_EQ(f.length(), 1);
    EXPECT_DOUBLE_EQ(f.charFormat().toImageFormat().width(), 50.0);
    EXPECT_DOUBLE_EQ(f.charFormat().toImageFormat().height(), 4.0);
    const Document model = modelOfTextDocument(text);
    ASSERT_EQ(model.pictures.size(), 1u);
    EXPECT_EQ(model.pictures[0].bytes, pngBytes());
    EXPECT_EQ(model.pictures[0].goalWidth, 750);
}

TEST(RtfWriter, TablesAndTabStopsSurviveWritingAndTheView) {
    // Read from RTF, then written and read again, and through QTextDocument
    // (what saving a view and the detached viewer do): the same tables, cells
    // and tab stops.
    const auto read = readRtf(std::string_view(
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\deftab709 before\\par"
        "\\trowd\\trleft-108\\clbrdrt\\brdrs\\brdrw15\\brdrcf1\\clbrdrb\\brdrdb\\brdrw30\\clcbpat2\\clpadl60"
        "\\clpadt30\\cellx1000\\clbrdrl\\brdrdot\\brdrw15\\clpadr90\\clpadb45\\cellx2500\\cellx4000"
        "\\pard\\intbl\\qc Name\\cell\\pard\\intbl Co\\par de\\cell\\pard\\intbl\\cell\\row"
        "\\trowd\\cellx3000\\cellx4000\\pard\\intbl B\\cell C\\cell\\row"
        "\\pard\\li720\\fi-360\\tx720\\tqr\\tx4000 \\bullet\\tab item\\tab 5\\par"
        "\\trowd\\cellx500\\pard\\intbl second\\cell\\row\\pard}"));
    ASSERT_TRUE(read);
    // A cell as shown: its colours resolved.
    struct ShownCell {
        int rightEdge;
        std::vector<std::pair<int, std::optional<Color>>> borders;  // width, colour (of the styled sides)
        std::optional<Color> background;
        std::vector<int> padding;
        bool operator==(const ShownCell&) const = default;
    };
    auto shape = [](const Document& d) {
        std::vector<std::tuple<std::u16string, CellPlace, ParaFormat>> paragraphs;
        for (const Paragraph& p : d.paragraphs) {
            std::u16string text;
            for (const rtf::Run& r : p.runs) text += r.text;
            paragraphs.emplace_back(text, p.place, p.format);
        }
        auto color = [&d](int i) { return i < 0 ? std::nullopt : std::optional<Color>(d.colors.at(static_cast<std::size_t>(i))); };
        std::vector<std::vector<std::vector<ShownCell>>> tables;  // per table, per row, its cells
        for (const Table& t : d.tables) {
            auto& rows = tables.emplace_back();
            for (int index : t.rows) {
                auto& cells = rows.emplace_back();
                if (index < 0) continue;
                const RowDefinition& row = d.rowDefinitions.at(static_cast<std::size_t>(index));
                for (const Cell& c : row.cells) {
                    ShownCell s{c.rightEdge - row.leftEdge, {}, color(c.background), {c.padLeft, c.padTop, c.padRight, c.padBottom}};
                    for (const Border* b : {&c.top, &c.left, &c.bottom, &c.right})
                        s.borders.emplace_back(b->style == BorderStyle::None ? 0 : b->width, color(b->color));
                    cells.push_back(s);
                }
            }
        }
        return std::tuple(paragraphs, tables, d.defaultTabWidth);
    };
    const auto expected = shape(*read);
    EXPECT_EQ(std::get<1>(expected).size(), 2u);
    const auto written = readRtf(writeRtf(*read));
    ASSERT_TRUE(written);
    EXPECT_EQ(shape(*written), expected);

    QTextDocument text;
    fillTextDocument(text, *read);
    EXPECT_EQ(shape(modelOfTextDocument(text)), expected);
    EXPECT_EQ(plainText(modelOfTextDocument(text)), plainText(*read));
}
