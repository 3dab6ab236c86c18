// A walkthrough an office suite wrote (tests/fixtures/office: headings, bold
// and italic, a link, a bulleted and a numbered list, a three-column table
// with a header row, a picture, coloured text, «», —, №, €, ½): read word for
// word as the suite's own text export, and drawn as it was written.
#include "platform/richedit/PictureRenderer.h"
#include "platform/richedit/RichEditView.h"
#include "platform/richedit/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace kodrix;

namespace {

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(KODRIX_SOURCE_DIR "/tests/fixtures/office/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

// The words of a text, one per line.
std::string words(const QString& text) {
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts).join(QLatin1Char('\n')).toStdString();
}

QTextBlock blockWith(const QTextDocument& doc, const QString& text) {
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (b.text().contains(text)) return b;
    ADD_FAILURE() << "no block with " << text.toStdString();
    return {};
}

class OfficeDocument : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(700, 900);
        view.setAutoUrlDetect(true);
        view.show();
        view.loadFromStream(fixture("walkthrough.rtf"));
        QApplication::processEvents();
    }
    QTextTable* table() {
        for (QTextBlock b = view.document()->begin(); b.isValid(); b = b.next())
            if (QTextTable* t = QTextCursor(b).currentTable()) return t;
        return nullptr;
    }
    RichEditView view;
};

}  // namespace

TEST_F(OfficeDocument, ReadsWordForWordAsTheSuitesTextExport) {
    const QString exported = QString::fromUtf8(fixture("walkthrough.txt")).remove(QChar(0xFEFF));
    const QByteArray rtf = fixture("walkthrough.rtf");
    const auto text = rtf::documentPlainText({reinterpret_cast<const std::uint8_t*>(rtf.constData()),
                                              static_cast<std::size_t>(rtf.size())});
    ASSERT_TRUE(text);
    EXPECT_EQ(words(QString::fromStdU16String(*text)), words(exported));
    EXPECT_EQ(words(view.toPlainText().remove(QChar::ObjectReplacementCharacter)), words(exported));  // the picture
}

TEST_F(OfficeDocument, TableIsDrawnAsATableAtTheDocumentsWidths) {
    QTextTable* t = table();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->rows(), 4);
    EXPECT_EQ(t->columns(), 3);
    // The cells' edges: \cellx1935, 5655 and 7590 twips (15 to the pixel).
    const QList<QTextLength> widths = t->format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 3);
    EXPECT_NEAR(widths[0].rawValue(), 1935 / 15.0, 0.01);
    EXPECT_NEAR(widths[1].rawValue(), 3720 / 15.0, 0.01);
    EXPECT_NEAR(widths[2].rawValue(), 1935 / 15.0, 0.01);
    const QStringList header{QStringLiteral("Предмет"), QStringLiteral("Где найти"), QStringLiteral("Цена")};
    for (int c = 0; c < 3; ++c) {
        const QTextTableCell cell = t->cellAt(0, c);
        const QTextBlock block = cell.firstCursorPosition().block();
        EXPECT_EQ(block.text(), header[c]);
        EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);  // the header row
        EXPECT_EQ(block.begin().fragment().charFormat().fontWeight(), QFont::Bold);
        // Borders as set: 15 twips solid in grey (colour 15 of the document's table) on top.
        const QTextTableCellFormat f = cell.format().toTableCellFormat();
        EXPECT_DOUBLE_EQ(f.topBorder(), 1.0);
        EXPECT_EQ(f.topBorderStyle(), QTextFrameFormat::BorderStyle_Solid);
        EXPECT_EQ(f.topBorderBrush().color(), QColor(128, 128, 128));
        EXPECT_DOUBLE_EQ(f.leftPadding(), 4.0);  // \clpadl60
    }
    EXPECT_EQ(t->cellAt(3, 2).firstCursorPosition().block().text(), QStringLiteral("½ монеты"));
    EXPECT_EQ(t->cellAt(3, 2).firstCursorPosition().block().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignLeft);
}

TEST_F(OfficeDocument, ListTextStandsAtItsIndentAfterTheBullet) {
    // \li709\fi-283\tx709: the bullet at 426 twips, the tab takes the text to 709.
    for (const char* item : {"фонарь и", "Поговорите со"}) {
        const QTextBlock block = blockWith(*view.document(), QString::fromUtf8(item));
        const QTextLine line = block.layout()->lineAt(0);
        const int tab = static_cast<int>(block.text().indexOf(QLatin1Char('\t')));
        ASSERT_GT(tab, 0) << item;
        EXPECT_NEAR(line.cursorToX(0), 426 / 15.0, 0.5) << item;
        EXPECT_NEAR(line.cursorToX(tab + 1), 709 / 15.0, 0.5) << item;
    }
}

TEST_F(OfficeDocument, PictureAndLinkAndColours) {
    PictureRenderer::of(*view.document()).finishDecoding();
    bool picture = false;
    for (QTextBlock b = view.document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat()) continue;
            picture = true;
            EXPECT_DOUBLE_EQ(f.toImageFormat().width(), 160.0);  // \picwgoal2400
            EXPECT_DOUBLE_EQ(f.toImageFormat().height(), 100.0);
        }
    }
    EXPECT_TRUE(picture);
    const QTextBlock red = blockWith(*view.document(), QStringLiteral("красным"));
    const int at = static_cast<int>(red.text().indexOf(QStringLiteral("красным")));
    QTextCursor c(red);
    c.setPosition(red.position() + at + 1);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(192, 0, 0));
    // The link that ends a sentence: www.1 without the full stop.
    const QTextBlock link = blockWith(*view.document(), QStringLiteral("www.1"));
    const QTextLine line = link.layout()->lineAt(0);
    const int pos = static_cast<int>(link.text().indexOf(QStringLiteral("www.1")));
    const QPointF p = view.document()->documentLayout()->blockBoundingRect(link).topLeft() +
                      QPointF(line.cursorToX(pos + 2), line.y() + line.height() / 2);
    const auto found = view.linkAt(p.toPoint());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->text, QStringLiteral("www.1"));
}

TEST_F(OfficeDocument, SavedAndReadAgainItKeepsItsTableAndText) {
    // What saving the view and the detached viewer do: RTF out, RTF in.
    RichEditView copy;
    copy.resize(700, 900);
    copy.loadFromStream(view.saveRtf());
    EXPECT_EQ(copy.toPlainText(), view.toPlainText());
    QTextTable* original = table();
    QTextTable* again = nullptr;
    for (QTextBlock b = copy.document()->begin(); b.isValid() && !again; b = b.next()) again = QTextCursor(b).currentTable();
    ASSERT_TRUE(original && again);
    EXPECT_EQ(again->rows(), original->rows());
    EXPECT_EQ(again->columns(), original->columns());
    EXPECT_EQ(again->format().columnWidthConstraints(), original->format().columnWidthConstraints());
    for (int c = 0; c < 3; ++c) {
        const QTextTableCellFormat a = again->cellAt(1, c).format().toTableCellFormat();
        const QTextTableCellFormat o = original->cellAt(1, c).format().toTableCellFormat();
        EXPECT_EQ(std::tuple(a.leftBorder(), a.bottomBorder(), a.bottomBorderStyle(), a.leftPadding(), a.topPadding()),
                  std::tuple(o.leftBorder(), o.bottomBorder(), o.bottomBorderStyle(), o.leftPadding(), o.topPadding()));
        EXPECT_EQ(a.leftBorderBrush(), o.leftBorderBrush());
    }
}
