// Documents that once froze the window or took many times their size in
// memory: what the view makes of them stays cheap to lay out and to paint,
// and what it writes back is still the document. The times themselves are
// measured by bench/rtf_hostile_bench.
#include "platform/richedit/PictureRenderer.h"
#include "platform/richedit/RichEditView.h"
#include "platform/richedit/RtfReader.h"
#include "platform/richedit/TextDocumentConversion.h"
#include "support/Hostile.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextTable>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>

using namespace kodrix;
using namespace std::chrono_literals;

namespace {

std::string hexOf(const QByteArray& bytes) { return bytes.toHex().toStdString(); }

QByteArray png(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 160));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

std::vector<QTextBlock> blocks(const QTextDocument& doc) {
    std::vector<QTextBlock> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) out.push_back(b);
    return out;
}

// The distinct values a character format property takes in a document.
std::set<QString> distinct(const QTextDocument& doc, int property) {
    std::set<QString> out;
    for (const QTextBlock& b : blocks(doc)) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QVariant v = it.fragment().charFormat().property(property);
            if (v.isValid()) out.insert(v.userType() == QMetaType::QStringList ? v.toStringList().join(u',') : v.toString());
        }
    }
    return out;
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace

TEST(HostileDocument, ADocumentTallerThanQtsSinglePageIsLaidOutToItsEnd) {
    // 5,000 lines of a 1,500-point letter: about 10 million pixels, past
    // the 8,388,607 pixels at which Qt's layout of an unpaged document runs
    // for ever; and again after the view is made narrower.
    const std::string rtf = "{\\rtf1\\fs3000 " + repeat("x\\line ", 5000) + "end}";
    RichEditView view;
    view.resize(500, 400);
    view.show();
    view.loadFromStream(QByteArrayView(rtf.data(), static_cast<qsizetype>(rtf.size())));
    const test::TempDir noFifos;
    for (const int width : {500, 300}) {
        // A layout that never ends cannot be interrupted on its own thread:
        // the watchdog ends the test program instead.
        test::Watchdog watchdog(noFifos.path(), 30s, 60s);
        view.resize(width, 400);
        EXPECT_GT(view.document()->size().height(), 9'000'000.0) << width;
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        view.viewport()->repaint();
        EXPECT_EQ(view.cursorForPosition(QPoint(10, 10)).block().next().isValid(), false) << "the end is shown";
        EXPECT_FALSE(watchdog.hung()) << width;
    }
}

TEST(HostileDocument, ViewKeepsEveryDocumentCheapToLayOutAndWritesItBackWhole) {
    std::string fonts = "{\\rtf1{\\fonttbl";
    std::string fontText;
    for (int i = 0; i < 100; ++i) {
        fonts += "{\\f" + std::to_string(i) + " Face" + std::to_string(i) + ";}";
        fontText += "{\\f" + std::to_string(i) + "\\fs" + std::to_string(10 + i) + " x}";
    }
    fonts += "}" + fontText + "}";
    std::string rows = "{\\rtf1 ";
    for (int r = 0; r < 450; ++r) rows += "\\trowd\\cellx1000\\cellx2000\\pard\\intbl a" + std::to_string(r) + "\\cell b\\cell\\row";
    rows += "\\pard end}";
    const std::string words = repeat("word ", 4000);

    struct Case {
        const char* name;
        std::string rtf;
        std::function<void(const QTextDocument&)> check;
    } cases[] = {
        {"a word of 10,000 letters", "{\\rtf1 " + std::string(10000, 'a') + "}",
         [](const QTextDocument& d) {
             for (const QTextBlock& b : blocks(d)) EXPECT_LE(b.length() - 1, kMaxBlockLength);
         }},
        {"a paragraph of 20,000 characters", "{\\rtf1 " + words + "}",
         [](const QTextDocument& d) {
             const auto all = blocks(d);
             EXPECT_GT(all.size(), 4u);
             for (const QTextBlock& b : all) {
                 EXPECT_LE(b.length() - 1, kMaxBlockLength);
                 if (b.next().isValid()) {
                     EXPECT_TRUE(b.text().endsWith(QLatin1Char(' ')));  // cut at a blank
                 }
             }
         }},
        {"350 line breaks in a paragraph", "{\\rtf1\\sb240\\sa240\\fi360 " + repeat("line\\line ", 350) + "}",
         [](const QTextDocument& d) {
             const auto all = blocks(d);
             EXPECT_GT(all.size(), 3u);
             for (const QTextBlock& b : all) EXPECT_LE(b.text().count(QChar::LineSeparator), kMaxLineBreaks);
             // The parts look like one paragraph: spacing before the first, after the last.
             EXPECT_DOUBLE_EQ(all.front().blockFormat().topMargin(), 16.0);
             EXPECT_DOUBLE_EQ(all.front().blockFormat().bottomMargin(), 0.0);
             EXPECT_DOUBLE_EQ(all[1].blockFormat().topMargin(), 0.0);
             EXPECT_DOUBLE_EQ(all[1].blockFormat().textIndent(), 0.0);
             EXPECT_DOUBLE_EQ(all.back().blockFormat().bottomMargin(), 16.0);
         }},
        {"100 faces in 100 sizes", fonts,
         [](const QTextDocument& d) {
             EXPECT_EQ(distinct(d, QTextFormat::FontFamilies).size(), kMaxFontFaces);
             EXPECT_EQ(distinct(d, QTextFormat::FontPointSize).size(), kMaxFontSizes);
         }},
        {"a picture of 2200 x 2200", "{\\rtf1{\\pict\\pngblip " + hexOf(png(2200, 2200)) + "}}",
         [](const QTextDocument& d) {
             const QTextCharFormat f = d.firstBlock().begin().fragment().charFormat();
             ASSERT_TRUE(f.isImageFormat());
             const double w = f.toImageFormat().width(), h = f.toImageFormat().height();
             EXPECT_LE(w * h, double(kMaxPicturePixels));
             EXPECT_NEAR(w, h, 1.0);  // in proportion
         }},
        {"a table of 450 rows", rows,
         [](const QTextDocument& d) {
             std::set<QTextTable*> tables;
             for (const QTextBlock& b : blocks(d))
                 if (QTextTable* t = QTextCursor(b).currentTable()) tables.insert(t);
             EXPECT_EQ(tables.size(), 3u);
             for (QTextTable* t : tables) EXPECT_LE(t->rows(), kMaxTableRows);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RichEditView view;
        view.resize(500, 400);
        view.show();
        view.loadFromStream(QByteArrayView(c.rtf.data(), static_cast<qsizetype>(c.rtf.size())));
        view.viewport()->repaint();
        c.check(*view.document());
        // What the view writes is the document as read: the same text and paragraphs.
        const auto original = rtf::readRtf(c.rtf);
        const QByteArray saved = view.saveRtf();
        const auto written = rtf::readRtf(std::string_view(saved.constData(), static_cast<std::size_t>(saved.size())));
        ASSERT_TRUE(original && written);
        EXPECT_EQ(rtf::plainText(*written), rtf::plainText(*original));
        EXPECT_EQ(written->paragraphs.size(), original->paragraphs.size());
    }
}

TEST(HostileDocument, PicturesAreDecodedOnceAtTheSizeShown) {
    // A picture shown smaller than its file is decoded straight to what is shown.
    const std::string rtf = "{\\rtf1{\\pict\\pngblip\\picwgoal1500\\pichgoal750 " + hexOf(png(1600, 800)) + "}}";
    RichEditView view;
    view.resize(400, 300);
    view.show();
    view.loadFromStream(QByteArrayView(rtf.data(), static_cast<qsizetype>(rtf.size())));
    // Larger than what is decoded at once: a frame until it is ready, then the picture.
    const QImage first = view.viewport()->grab().toImage();
    EXPECT_NE(first.pixelColor(50, 25), QColor(30, 90, 160));
    PictureRenderer::of(*view.document()).finishDecoding();
    const QImage shown = view.viewport()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(50, 25), QColor(30, 90, 160));
    EXPECT_EQ(PictureRenderer::decode(png(1600, 800), QSize(100, 50)).size(), QSize(100, 50));
}

TEST(HostileDocument, TextIsHeldInLittleMoreThanItsSize) {
    // One run of five million characters: the reader does not double its room.
    const std::string rtf = "{\\rtf1 " + std::string(5'000'000, 'x') + "}";
    const auto doc = rtf::readRtf(rtf);
    ASSERT_TRUE(doc);
    const std::u16string& text = doc->paragraphs.at(0).runs.at(0).text;
    EXPECT_EQ(text.size(), 5'000'000u);
    EXPECT_LE(text.capacity(), text.size() + (1u << 17));

    // Filling a document gives the model's text up as it goes.
    rtf::Document model = *doc;
    QTextDocument document;
    fillTextDocument(document, std::move(model));
    EXPECT_TRUE(model.paragraphs.at(0).runs.empty());
    EXPECT_EQ(rtf::plainText(modelOfTextDocument(document)).size(), 5'000'000u);
}
