// The RTF reader and the plain 16-bit Unicode reader over documents written
// here as strings, so each case shows the bytes it is about.
#include "platform/richedit/RtfReader.h"

#include <QBuffer>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <tuple>


using namespace kodrix::rtf;

namespace {

std::string utf8(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())).toStdString();
}
std::u16string u16(const char* utf8Text) {
    const QString q = QString::fromUtf8(utf8Text);
    return std::u16string(reinterpret_cast<const char16_t*>(q.utf16()), static_cast<std::size_t>(q.size()));
}
Document read(std::string_view rtf) {
    auto doc = readRtf(rtf);
    EXPECT_TRUE(doc) << rtf;
    return doc ? std::move(*doc) : Document{};
}
std::string text(std::string_view rtf) { return utf8(plainText(read(rtf))); }
Bytes bytesOf(std::string_view s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

// The first run whose text contains the given text.
const Run* runWith(const Document& doc, const char* utf8Text) {
    const std::u16string wanted = u16(utf8Text);
    for (const Paragraph& p : doc.paragraphs)
        for (const Run& r : p.runs)
            if (r.text.find(wanted) != std::u16string::npos) return &r;
    ADD_FAILURE() << "no run with " << utf8Text;
    static const Run none;
    return &none;
}

std::string hex(const QByteArray& bytes) { return bytes.toHex().toStdString(); }
QByteArray imageFile(const char* format, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

}  // namespace

TEST(RtfReader, ReadingRuleTakesRtfThenUtf16ThenFails) {
    const std::string rtf = "{\\rtf1 Hello}";
    const auto asRtf = readDocument(bytesOf(rtf));
    ASSERT_TRUE(asRtf);
    EXPECT_EQ(utf8(plainText(*asRtf)), "Hello");

    // Not RTF: the bytes as UTF-16LE; a byte order mark is dropped, CR LF ends a paragraph.
    const std::string utf16("\xFF\xFE" "H\0i\0\r\0\n\0\x3F\x04", 12);
    const auto asText = readDocument(bytesOf(utf16));
    ASSERT_TRUE(asText);
    EXPECT_EQ(utf8(plainText(*asText)), "Hi\nп");
    EXPECT_EQ(asText->paragraphs.size(), 2u);

    // An odd number of bytes is neither: the reading rule fails.
    const auto neither = readDocument(bytesOf("Hello"));
    EXPECT_FALSE(neither);
    EXPECT_FALSE(neither.reason().empty());
    EXPECT_FALSE(documentPlainText(bytesOf("{\\r")));

    // No data at all is an empty document, not a failure.
    const auto empty = readDocument({});
    ASSERT_TRUE(empty);
    EXPECT_EQ(plainText(*empty), u"");

    // Only the beginning decides: a document with a leading blank is not RTF.
    EXPECT_FALSE(readRtf(std::string_view(" {\\rtf1 x}")));
}

TEST(RtfReader, CyrillicByCodePageAndByUnicode) {
    // \ansicpg1251 and a \fcharset204 font: \'hh are cp1251 bytes.
    EXPECT_EQ(text("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}"),
              "Привет");
    // Raw high bytes in the text are decoded the same way.
    EXPECT_EQ(text("{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0\xe8}"), "При");
    // No code page declared: the program's own, 1251.
    EXPECT_EQ(text("{\\rtf1 \\'e0\\'e1}"), "аб");
    // \uN with its fallback skipped: one character by default, \ucN others, \uc0 none.
    EXPECT_EQ(text("{\\rtf1 \\u1087\\'ef\\u1088?}"), "пр");
    EXPECT_EQ(text("{\\rtf1\\uc2 \\u1087??x}"), "пx");
    EXPECT_EQ(text("{\\rtf1\\uc0 \\u1087\\u1088}"), "пр");
    // \uc is a group property, and a group's end stops skipping.
    EXPECT_EQ(text("{\\rtf1 {\\uc3 \\u1087}abc}"), "пabc");
    // A control word counts as one fallback character.
    EXPECT_EQ(text("{\\rtf1 \\u1087\\b x}"), "пx");
}

TEST(RtfReader, CodePagesFromCharsetsAndDeclarations) {
    struct Case {
        const char* rtf;
        const char* text;
    } cases[] = {
        {"{\\rtf1\\ansi\\ansicpg1252 \\'e9\\'80}", "é€"},
        {"{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 Times;}{\\f1\\fcharset204 Arial;}}"
         "\\f0\\'e9{\\f1\\'e9}}",
         "éй"},
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset161 Greek;}}\\f0\\'e1\\'e2}", "αβ"},
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset238 CE;}}\\f0\\'b9}", "ą"},
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg1251 X;}}\\f0\\'e0}", "а"},
        // Shift-JIS: two bytes to one character, the second may be written raw.
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0\\'82\\'a0\\'82\\'a2}", "あい"},
        // A group boundary ends a character: the lead byte 0x96 alone is no character.
        {"{\\rtf1\\ansi\\ansicpg932 \\'93\\'fa\\'96{\\'7b}}", "日\xEF\xBF\xBD{"},
        // \deff chooses the font of text without \f.
        {"{\\rtf1\\deff1{\\fonttbl{\\f0\\fcharset204 A;}{\\f1\\fcharset0 B;}}\\'e9}", "é"},
        // A byte the code page does not define.
        {"{\\rtf1\\ansicpg1251 \\'98}", "\xEF\xBF\xBD"},
        {"{\\rtf1\\mac \\'8a}", "ä"},
        // Code pages iconv does not know decode as 1252 (fuzz finding: its converter was closed twice).
        {"{\\rtf1\\ansicpg251 \\'e9{\\fonttbl{\\f0\\cpg99999 X;}}\\f0\\'e9}", "éé"},
    };
    for (const Case& c : cases) EXPECT_EQ(text(c.rtf), c.text) << c.rtf;
}

TEST(RtfReader, OnlyTheFirstDistinctCodePagesAreHonoured) {
    // kMaxCodePages fonts with code pages of their own (unknown ones among
    // them), then a Greek font: its text is read in the document's code page.
    auto document = [](std::size_t others) {
        std::string rtf = "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl";
        for (std::size_t i = 0; i < others; ++i)
            rtf += "{\\f" + std::to_string(i) + "\\cpg" + std::to_string(40000 + i) + " F;}";
        return rtf + "{\\f999\\fcharset161 Greek;}{\\f998\\fcharset204 Cyr;}}{\\f999\\'e1}{\\f998\\'e1}{\\f0\\'e9}}";
    };
    EXPECT_EQ(text(document(1)), "αбé");
    EXPECT_EQ(text(document(kMaxCodePages - 1)), "αбé");
    EXPECT_EQ(text(document(kMaxCodePages)), "ббé");
    EXPECT_EQ(text(document(5000)), "ббé");
}

TEST(RtfReader, CharacterFormattingFontsAndColours) {
    const Document doc = read(
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}{\\f1\\froman Times New Roman;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
        "plain {\\b bold}{\\i italic}{\\ul under\\ulnone line}{\\strike struck}"
        "{\\fs40 big}{\\f1 times}{\\cf1 red}{\\highlight2 marked}{\\cb1 back}{\\b\\i\\plain reset}{\\b\\b0 unbold}}");
    ASSERT_EQ(doc.fonts.size(), 2u);
    EXPECT_EQ(utf8(doc.fonts[0].name), "Arial");
    EXPECT_EQ(utf8(doc.fonts[1].name), "Times New Roman");
    ASSERT_EQ(doc.colors.size(), 2u);
    EXPECT_EQ(doc.colors[0], (Color{255, 0, 0}));
    EXPECT_EQ(doc.colors[1], (Color{0, 128, 0}));

    CharFormat base;
    base.font = 0;  // \deff0
    auto with = [&](auto change) {
        CharFormat f = base;
        change(f);
        return f;
    };
    EXPECT_EQ(runWith(doc, "plain")->format, base);
    EXPECT_EQ(runWith(doc, "bold")->format, with([](CharFormat& f) { f.bold = true; }));
    EXPECT_EQ(runWith(doc, "italic")->format, with([](CharFormat& f) { f.italic = true; }));
    EXPECT_EQ(runWith(doc, "under")->format, with([](CharFormat& f) { f.underline = true; }));
    EXPECT_EQ(runWith(doc, "line")->format, base);
    EXPECT_EQ(runWith(doc, "struck")->format, with([](CharFormat& f) { f.strikeOut = true; }));
    EXPECT_EQ(runWith(doc, "big")->format, with([](CharFormat& f) { f.halfPoints = 40; }));
    EXPECT_EQ(runWith(doc, "times")->format, with([](CharFormat& f) { f.font = 1; }));
    EXPECT_EQ(runWith(doc, "red")->format, with([](CharFormat& f) { f.foreground = 0; }));
    EXPECT_EQ(runWith(doc, "marked")->format, with([](CharFormat& f) { f.background = 1; }));
    EXPECT_EQ(runWith(doc, "back")->format, with([](CharFormat& f) { f.background = 0; }));
    EXPECT_EQ(runWith(doc, "reset")->format, base);
    EXPECT_EQ(runWith(doc, "unbold")->format, base);
    EXPECT_EQ(doc.paragraphs.size(), 1u);
}

TEST(RtfReader, ParagraphsAndTheirFormatting) {
    const Document doc = read(
        "{\\rtf1\\pard\\qc\\li720\\ri360\\fi-360\\sb120\\sa240 centred\\par "
        "still centred\\par\\pard right\\qr\\par{\\qj justified\\par}\\ql left}");
    ASSERT_EQ(doc.paragraphs.size(), 5u);
    const ParaFormat centred{Alignment::Center, 720, 360, -360, 120, 240};
    EXPECT_EQ(doc.paragraphs[0].format, centred);
    EXPECT_EQ(doc.paragraphs[1].format, centred);
    // The format in force at the paragraph's end counts.
    EXPECT_EQ(doc.paragraphs[2].format, (ParaFormat{Alignment::Right}));
    EXPECT_EQ(doc.paragraphs[3].format.alignment, Alignment::Justify);
    EXPECT_EQ(doc.paragraphs[4].format.alignment, Alignment::Left);
    EXPECT_EQ(utf8(plainText(doc)), "centred\nstill centred\nright\njustified\nleft");
}

TEST(RtfReader, SpecialCharactersLineBreaksAndTabs) {
    EXPECT_EQ(text("{\\rtf1 a\\emdash b\\endash c\\lquote d\\rquote e\\ldblquote f\\rdblquote g\\bullet h}"),
              "a—b–c‘d’e“f”g•h");
    EXPECT_EQ(text("{\\rtf1 a\\~b\\_c\\-d}"), "a\u00A0b\u2011cd");
    EXPECT_EQ(text("{\\rtf1 \\{\\}\\\\}"), "{}\\");
    const Document doc = read("{\\rtf1 one\\line two\\tab three\r\nfour\\\r\nfive}");
    ASSERT_EQ(doc.paragraphs.size(), 2u);  // "\" before a line end is a paragraph end
    EXPECT_EQ(doc.paragraphs[0].runs.at(0).text, u"one\u2028two\tthreefour");
    EXPECT_EQ(utf8(plainText(doc)), "one\ntwo\tthreefour\nfive");
}

TEST(RtfReader, DestinationsFieldsAndUnknownGroups) {
    // Field: the result shows, the instruction does not.
    EXPECT_EQ(text("{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt http://x}} now}"),
              "see http://x now");
    EXPECT_EQ(text("{\\rtf1 {\\field{\\fldinst PAGE}{\\fldrslt 7}}}"), "7");
    // Unknown \* destinations are skipped, whatever they hold; unknown words are ignored.
    EXPECT_EQ(text("{\\rtf1 a{\\*\\unknowndest b{c}\\par d}e\\unknownword f}"), "aef");
    // Known destinations that are no text.
    EXPECT_EQ(text("{\\rtf1{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}{\\header H\\par}"
                   "{\\footnote F}{\\*\\generator G;}body}"),
              "body");
    // Paragraph numbering: its text fallback shows, the numbering definition does not.
    EXPECT_EQ(text("{\\rtf1{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}item}"), "·\titem");
}

TEST(RtfReader, PicturesPngAndJpegKeptOthersSkipped) {
    const QByteArray png = imageFile("PNG", 4, 3);
    const QByteArray jpeg = imageFile("JPEG", 5, 2);
    std::string rtf = "{\\rtf1 a{\\pict\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450\\picscalex50 " + hex(png) +
                      "}b{\\*\\shppict{\\pict\\jpegblip\\bin" + std::to_string(jpeg.size()) + " " +
                      jpeg.toStdString() + "}}{\\nonshppict{\\pict\\wmetafile8 0102}}"
                      "{\\pict\\wmetafile8 0102}{\\pict\\emfblip 0304}{\\pict\\pngblip 00112233445566778899}c}";
    const Document doc = read(rtf);
    ASSERT_EQ(doc.pictures.size(), 2u);
    const Picture& p0 = doc.pictures[0];
    EXPECT_EQ(p0.kind, Picture::Kind::Png);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(p0.bytes.data()), static_cast<qsizetype>(p0.bytes.size())), png);
    EXPECT_EQ(p0.widthPixels, 4);
    EXPECT_EQ(p0.goalWidth, 600);
    EXPECT_EQ(p0.goalHeight, 450);
    EXPECT_EQ(p0.scaleX, 50);
    EXPECT_EQ(p0.scaleY, 100);
    EXPECT_EQ(doc.pictures[1].kind, Picture::Kind::Jpeg);
    EXPECT_EQ(doc.pictures[1].bytes.size(), static_cast<std::size_t>(jpeg.size()));
    // Runs: a, picture 0, b, picture 1, c; the metafiles and the PNG without a PNG signature are gone.
    const auto& runs = doc.paragraphs.at(0).runs;
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[1].picture, 0);
    EXPECT_EQ(runs[3].picture, 1);
    EXPECT_EQ(utf8(plainText(doc)), "abc");
}

TEST(RtfReader, TablesKeepRowsCellsAndTheirDefinitions) {
    const Document doc = read(
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}before\\par"
        "\\trowd\\trleft-108\\trgaph108\\trpaddt20\\clbrdrt\\brdrs\\brdrw15\\brdrcf1\\clbrdrb\\brdrdb\\brdrw30"
        "\\clcbpat2\\clpadl60\\cellx1000\\clbrdrl\\brdrdot\\clbrdrr\\brdrnone\\cellx2500\\cellx4000"
        "\\pard\\intbl\\qc Name\\cell\\pard\\intbl Co\\par de\\cell\\pard\\intbl\\cell\\row"
        "\\trowd\\trleft-108\\trgaph108\\trpaddt20\\clbrdrt\\brdrs\\brdrw15\\brdrcf1\\clbrdrb\\brdrdb\\brdrw30"
        "\\clcbpat2\\clpadl60\\cellx1000\\clbrdrl\\brdrdot\\clbrdrr\\brdrnone\\cellx2500\\cellx4000"
        "\\pard\\intbl\\cell B\\cell C\\cell\\row"
        "\\pard after\\par"
        "\\trowd\\cellx500\\pard\\intbl second\\cell\\row}");
    // Rows read as lines, their cells joined by tabs.
    EXPECT_EQ(utf8(plainText(doc)), "before\nName\tCo\nde\t\n\tB\tC\nafter\nsecond\n");
    ASSERT_EQ(doc.tables.size(), 2u);
    EXPECT_EQ(doc.tables[0].rows, (std::vector<int>{0, 0}));  // rows defined alike share a definition
    EXPECT_EQ(doc.tables[1].rows, (std::vector<int>{1}));
    ASSERT_EQ(doc.rowDefinitions.size(), 2u);
    const RowDefinition& row = doc.rowDefinitions[0];
    EXPECT_EQ(row.leftEdge, -108);
    ASSERT_EQ(row.cells.size(), 3u);
    const Cell& first = row.cells[0];
    EXPECT_EQ(first.rightEdge, 1000);
    EXPECT_EQ(first.top, (Border{BorderStyle::Solid, 15, 0}));
    EXPECT_EQ(first.bottom, (Border{BorderStyle::Double, 30, -1}));
    EXPECT_EQ(first.left, Border{});
    EXPECT_EQ(first.background, 1);
    // A cell's own padding, else its row's, else half the gap between cells.
    EXPECT_EQ(std::vector<int>({first.padLeft, first.padTop, first.padRight, first.padBottom}),
              (std::vector<int>{60, 20, 108, 0}));
    EXPECT_EQ(row.cells[1].rightEdge, 2500);
    EXPECT_EQ(row.cells[1].left.style, BorderStyle::Dotted);
    EXPECT_EQ(row.cells[1].right.style, BorderStyle::None);
    EXPECT_EQ(row.cells[2], (Cell{.rightEdge = 4000, .padLeft = 108, .padTop = 20, .padRight = 108}));
    // Each paragraph in its cell: two in the second cell of the first row.
    std::vector<std::tuple<std::string, int, int, int>> places;
    for (const Paragraph& p : doc.paragraphs)
        places.emplace_back(utf8(p.runs.empty() ? u"" : p.runs[0].text), p.place.table, p.place.row, p.place.cell);
    using P = std::tuple<std::string, int, int, int>;
    EXPECT_EQ(places, (std::vector<P>{{"before", -1, 0, 0}, {"Name", 0, 0, 0}, {"Co", 0, 0, 1}, {"de", 0, 0, 1},
                                      {"", 0, 0, 2}, {"", 0, 1, 0}, {"B", 0, 1, 1}, {"C", 0, 1, 2}, {"after", -1, 0, 0},
                                      {"second", 1, 0, 0}, {"", -1, 0, 0}}));
    EXPECT_EQ(doc.paragraphs[1].format.alignment, Alignment::Center);
}

TEST(RtfReader, TablesOddlyWrittenStillRead) {
    struct Case {
        std::string rtf;
        const char* text;
        std::size_t tables;
    } cases[] = {
        // \cell and \row outside a table: a tab and a paragraph end, as plain writers mean them.
        {"{\\rtf1 a\\cell b\\row c}", "a\tb\nc", 0},
        // A table inside a cell reads flat: its cells as tabs, its rows as line breaks.
        {"{\\rtf1\\trowd\\cellx900\\pard\\intbl x{\\itap2 p\\nestcell q\\nestcell{\\*\\nesttableprops\\trowd"
         "\\cellx10\\nestrow}}y\\cell\\row}",
         "xp\tq\ty\n", 1},
        // No \row: the cells are read all the same; a row without definition too.
        {"{\\rtf1\\pard\\intbl a\\cell b}", "a\tb", 1},
        // Text after a row's last \cell is a cell of its own.
        {"{\\rtf1\\trowd\\cellx100\\pard\\intbl a\\cell b\\row}", "a\tb\n", 1},
        // Cells beyond the cap run into the last one.
        {"{\\rtf1\\pard\\intbl " + [] {
             std::string cells;
             for (std::size_t i = 0; i < kMaxTableCells + 2; ++i) cells += std::to_string(i) + "\\cell ";
             return cells;
         }() + "\\row}",
         nullptr, 1},
    };
    for (const Case& c : cases) {
        const Document doc = read(c.rtf);
        if (c.text) {
            EXPECT_EQ(utf8(plainText(doc)), c.text) << c.rtf;
        }
        EXPECT_EQ(doc.tables.size(), c.tables) << c.rtf;
        for (const Paragraph& p : doc.paragraphs) EXPECT_LT(p.place.cell, static_cast<int>(kMaxTableCells)) << c.rtf;
    }
}

TEST(RtfReader, TabStopsAndTheDefaultTabWidth) {
    const Document doc = read("{\\rtf1\\deftab709\\tqc\\tx2000\\tx500\\tqr\\tx3000\\tqdec\\tx4000\\tx500 a\\par "
                              "b\\par\\pard c}");
    EXPECT_EQ(doc.defaultTabWidth, 709);
    const std::vector<TabStop> tabs{{500, TabKind::Left}, {2000, TabKind::Center}, {3000, TabKind::Right},
                                    {4000, TabKind::Decimal}};
    EXPECT_EQ(doc.paragraphs[0].format.tabs, tabs);  // in order, one per position
    EXPECT_EQ(doc.paragraphs[1].format.tabs, tabs);
    EXPECT_TRUE(doc.paragraphs[2].format.tabs.empty());  // \pard clears them
    EXPECT_EQ(read("{\\rtf1 x}").defaultTabWidth, kDefaultTabWidth);
    // A hostile paragraph keeps its first kMaxTabStops stops.
    std::string many = "{\\rtf1 ";
    for (int i = 1; i <= 1000; ++i) many += "\\tx" + std::to_string(i);
    EXPECT_EQ(read(many + " x}").paragraphs[0].format.tabs.size(), kMaxTabStops);
}

TEST(RtfReader, LenientAboutDamage) {
    struct Case {
        std::string rtf;
        const char* text;
    } cases[] = {
        {"{\\rtf1 no closing brace", "no closing brace"},
        {"{\\rtf1 {\\b unclosed group", "unclosed group"},
        {"{\\rtf1 done} ignored {after}", "done"},
        {"{\\rtf1 extra}}}", "extra"},
        {"{\\rtf1 a\\'4", "a"},             // \' cut short
        {"{\\rtf1 a\\'zzb}", "azzb"},       // \' without hex digits
        {"{\\rtf1 a\\", "a"},               // a lone backslash at the end
        {"{\\rtf1 a\\bin999999999 bcdef}", "a"},  // \bin past the end swallows the rest
        {"{\\rtf1 a\\bin3 {}}b}", "ab"},    // \bin data may hold braces
        {"{\\rtf1 a\\bin-5 b}", "ab"},
        {"{\\rtf1 a\\" + std::string(40, 'x') + " b}", "ab"},  // a control word beyond 32 letters is unknown
        {"{\\rtf1 a\\b99999999999999999999 b}", "ab"},
        {"{\\rtf1\\fs99999999999 x\\li-99999999999 y}", "xy"},
        {"{\\rtf1 \\u-32768?\\u65535?\\u99999999?\\u-99999999?\\u0?}", "\xE8\x80\x80\xEF\xBF\xBF\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"{\\rtf1 \\u-10179?\\u-8704?}", "\xF0\x9F\x98\x80"},  // a surrogate pair, written negative
        {"{\\rtf1 a\x01\x02\tb\\'0d\\'0ac}", "a\tbc"},    // control characters are no text
        {"{\\rtf1{\\fonttbl{\\f0 Unterminated}{\\f1\\fcharset204 \\'c0;}}\\f1 \\'e0}", "а"},
    };
    for (const Case& c : cases) EXPECT_EQ(text(c.rtf), c.text) << c.rtf;
}

TEST(RtfReader, HostileNestingAndSizesStayCheap) {
    // Far deeper than the group cap, closed and unclosed.
    const std::string deep = "{\\rtf1 " + std::string(200000, '{') + "x" + std::string(200000, '}') + "y}";
    EXPECT_EQ(text(deep), "xy");
    EXPECT_EQ(text("{\\rtf1 " + std::string(200000, '{') + "z"), "z");
    // Formatting inside the groups beyond the cap applies to the group at the cap.
    const std::string deepBold = "{\\rtf1 " + std::string(kMaxGroupDepth + 10, '{') + "\\b x" +
                                 std::string(kMaxGroupDepth + 10, '}') + "y}";
    const Document bold = read(deepBold);
    EXPECT_EQ(utf8(plainText(bold)), "xy");
    EXPECT_TRUE(runWith(bold, "x")->format.bold);
    EXPECT_FALSE(runWith(bold, "y")->format.bold);
    // A huge picture size and a huge \bin in a picture: no allocation beyond the data.
    EXPECT_EQ(text("{\\rtf1{\\pict\\pngblip\\picw2147483647\\pich2147483647\\bin2147483647 \x89PNG}ok}"), "");
    EXPECT_EQ(text("{\\rtf1{\\pict\\pngblip\\picwgoal999999999999 89504e470d0a1a0a}ok}"), "ok");
    // Many \par: linear.
    std::string many = "{\\rtf1 ";
    for (int i = 0; i < 100000; ++i) many += "\\par ";
    EXPECT_EQ(read(many + "}").paragraphs.size(), 100001u);
}
