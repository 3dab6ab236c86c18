// The rich-text view: the reading rule, saving, link detection and the
// link-click rule driven by mouse events on the viewport.
#include "platform/richedit/RichEditView.h"

#include "catalogue/Error.h"
#include "catalogue/Messages.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace kodrix;

namespace {

QByteArray utf16le(const QString& s) {
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

struct Click {
    QString text;
    Qt::MouseButton button;
    bool operator==(const Click&) const = default;
};
void PrintTo(const Click& c, std::ostream* os) { *os << c.text.toStdString() << " button " << int(c.button); }

class LinkView : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(500, 300);
        view.setAutoUrlDetect(true);
        view.loadFromStream("{\\rtf1 first www.1. then ({\\b http://two.example}), plain}");  // links end sentences
        view.show();
        QObject::connect(&view, &RichEditView::URLClick,
                         [this](const QString& text, Qt::MouseButton button) { clicks.push_back({text, button}); });
        menu.addAction(QStringLiteral("Копировать"));
        view.setPopupMenu(&menu);
    }
    void TearDown() override { menu.hide(); }

    // The middle of the character at a document position, in viewport coordinates.
    QPoint at(int position) {
        QTextCursor c(view.document());
        c.setPosition(position);
        const QRect left = view.cursorRect(c);
        c.setPosition(position + 1);
        const QRect right = view.cursorRect(c);
        return QPoint((left.x() + right.x()) / 2, left.center().y());
    }
    int positionOf(const char* text) { return static_cast<int>(view.toPlainText().indexOf(QString::fromUtf8(text))); }
    QPoint linkOne() { return at(positionOf("www.1") + 2); }
    QPoint linkTwo() { return at(positionOf("http://two") + 3); }
    QPoint plainText() { return at(positionOf("plain") + 1); }

    void press(Qt::MouseButton b, QPoint p) { QTest::mousePress(view.viewport(), b, {}, p); }
    void release(Qt::MouseButton b, QPoint p) { QTest::mouseRelease(view.viewport(), b, {}, p); }

    RichEditView view;
    QMenu menu;
    std::vector<Click> clicks;
};

}  // namespace

TEST(RichEditView, ReadsRtfThenUtf16AndFailsWithFailedToLoadStream) {
    RichEditView view;
    EXPECT_TRUE(view.isReadOnly());
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(view.autoUrlDetect());
    EXPECT_EQ(view.ownFormat(), RichEditView::TextFormat::Rtf);

    view.loadFromStream("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par {\\b world}}");
    EXPECT_EQ(view.toPlainText(), QStringLiteral("Привет\nworld"));
    EXPECT_EQ(view.lines(), (QStringList{QStringLiteral("Привет"), QStringLiteral("world")}));

    view.loadFromStream(utf16le(QStringLiteral("Юникод\r\nтекст")));
    EXPECT_EQ(view.lines(), (QStringList{QStringLiteral("Юникод"), QStringLiteral("текст")}));

    try {
        view.loadFromStream("odd");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), messages::failedToLoadStream());
    }
    EXPECT_TRUE(view.document()->isEmpty());
    EXPECT_EQ(view.lineCount(), 0);
}

TEST(RichEditView, HostileDocumentsLoadShowAndSave) {
    // The fuzz corpus (damaged and extreme documents among them) through the
    // whole view: load, paint, save, load what was saved.
    RichEditView view;
    view.setAutoUrlDetect(true);
    view.resize(300, 200);
    view.show();
    std::vector<std::string> extreme = {
        "{\\rtf1\\li999999999\\ri999999999\\fi-999999999\\sb999999999\\fs99999 x\\par}",
        "{\\rtf1{\\pict\\pngblip\\picwgoal999999999\\pichgoal999999999\\picscalex10000 89504e470d0a1a0a}}",
    };
    for (const auto& e : std::filesystem::directory_iterator(KODRIX_SOURCE_DIR "/fuzz/corpus/rtf")) {
        std::ifstream in(e.path(), std::ios::binary);
        extreme.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (const std::string& bytes : extreme) {
        try {
            view.loadFromStream(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        } catch (const Error&) {
            EXPECT_EQ(bytes.size() % 2, 1u);  // only the odd-sized plain text fails
            continue;
        }
        view.viewport()->repaint();
        const QByteArray rtf = view.saveRtf();
        RichEditView copy;
        copy.loadFromStream(rtf);
        EXPECT_EQ(copy.toPlainText(), view.toPlainText());
    }
}

TEST(RichEditView, LoadingShowsTheDocumentFromItsStart) {
    RichEditView view;
    view.resize(300, 200);
    view.show();
    QString many;
    for (int i = 0; i < 300; ++i) many += QStringLiteral("line %1\r\n").arg(i);
    view.loadFromStream(utf16le(many));
    view.moveCursor(QTextCursor::End);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    ASSERT_GT(view.verticalScrollBar()->value(), 0);
    view.loadFromStream(utf16le(many));
    EXPECT_EQ(view.textCursor().position(), 0);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}

TEST(RichEditView, SavesRtfOrPlainTextAndItsOwnFormat) {
    RichEditView view;
    view.loadFromStream("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}{\\cf1\\b \\u1046?}\\par x}");
    const QByteArray rtf = view.saveRtf();
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\red255\\green0\\blue0;"));
    EXPECT_TRUE(rtf.contains("\\b\\cf1 \\'c6"));
    EXPECT_EQ(view.savePlainText(), QByteArray("\xC6\r\nx"));
    EXPECT_EQ(view.saveAs(RichEditView::TextFormat::Rtf), rtf);
    view.setOwnFormat(RichEditView::TextFormat::PlainText);
    EXPECT_EQ(view.ownFormat(), RichEditView::TextFormat::PlainText);
    EXPECT_EQ(view.saveAs(view.ownFormat()), view.savePlainText());

    // What one view saves, another reads back with the same look.
    RichEditView copy;
    copy.loadFromStream(rtf);
    EXPECT_EQ(copy.saveRtf(), rtf);
    // Plain text lines keep working with the writers.
    view.setLines({QStringLiteral("а"), QStringLiteral("б")});
    EXPECT_EQ(view.savePlainText(), QByteArray("\xE0\r\n\xE1"));
}

TEST(RichEditView, DocumentsKeepTheirOwnStylesUnderAStyledWindowFont) {
    // The window's font: bold, italic, underlined, struck out, in a face and size of its own.
    QFont windowFont(QStringLiteral("DejaVu Sans Mono"));
    windowFont.setPixelSize(17);
    windowFont.setBold(true);
    windowFont.setItalic(true);
    windowFont.setUnderline(true);
    windowFont.setStrikeOut(true);
    RichEditView view;
    view.setFont(windowFont);
    view.loadFromStream("{\\rtf1{\\fonttbl{\\f1 DejaVu Serif;}}plain {\\b bold} {\\i\\ul italic} "
                        "{\\f1\\fs28 serif}\\par\\par after}");
    auto shownFont = [&view](int position) {
        QTextCursor c(view.document());
        c.setPosition(position + 1);
        return c.charFormat().font().resolve(view.document()->defaultFont());
    };
    auto positionOf = [&view](const char* text) { return static_cast<int>(view.toPlainText().indexOf(text)); };
    struct Case {
        const char* text;
        bool bold, italic, underline;
        const char* family;
        double points;  // 0: the window's size
    } cases[] = {
        {"plain", false, false, false, "DejaVu Sans Mono", 0},
        {"bold", true, false, false, "DejaVu Sans Mono", 0},
        {"italic", false, true, true, "DejaVu Sans Mono", 0},
        {"serif", false, false, false, "DejaVu Serif", 14},
        {"after", false, false, false, "DejaVu Sans Mono", 0},
    };
    for (const Case& c : cases) {
        const QFont f = shownFont(positionOf(c.text));
        EXPECT_EQ(f.bold(), c.bold) << c.text;
        EXPECT_EQ(f.italic(), c.italic) << c.text;
        EXPECT_EQ(f.underline(), c.underline) << c.text;
        EXPECT_FALSE(f.strikeOut()) << c.text;
        EXPECT_EQ(f.families().value(0, f.family()), QString::fromLatin1(c.family)) << c.text;
        if (c.points > 0) EXPECT_DOUBLE_EQ(f.pointSizeF(), c.points) << c.text;
        else EXPECT_EQ(f.pixelSize(), 17) << c.text;
    }
    // The empty paragraph's mark is plain too (the height of the empty line).
    EXPECT_FALSE(view.document()->findBlockByNumber(1).charFormat().font().resolve(windowFont).bold());

    // A plain-text view (the code text) keeps the whole window font, and so
    // does its RTF copy (what the detached viewer reads).
    RichEditView code;
    code.setFont(windowFont);
    code.setCp1251Lines({"code"});
    QTextCursor c(code.document());
    c.setPosition(1);
    const QFont shown = c.charFormat().font().resolve(code.document()->defaultFont());
    EXPECT_TRUE(shown.bold() && shown.italic() && shown.underline() && shown.strikeOut());
    EXPECT_EQ(shown.pixelSize(), 17);
    const QByteArray copy = code.saveRtf();
    EXPECT_TRUE(copy.contains("\\b\\i\\ul\\strike code")) << copy.toStdString();
}

TEST_F(LinkView, LinksAreShownAndFollowTheContent) {
    auto linkRanges = [this] {
        std::vector<std::pair<int, int>> out;
        for (QTextBlock b = view.document()->begin(); b.isValid(); b = b.next())
            for (const QTextLayout::FormatRange& r : b.layout()->formats())
                if (r.format.fontUnderline()) out.emplace_back(b.position() + r.start, r.length);
        return out;
    };
    using Ranges = std::vector<std::pair<int, int>>;
    EXPECT_EQ(linkRanges(), (Ranges{{positionOf("www.1"), 5}, {positionOf("http://two"), 18}}));

    view.setLines({QStringLiteral("no link"), QStringLiteral("see ftp://x")});
    EXPECT_EQ(linkRanges(), (Ranges{{positionOf("ftp://x"), 7}}));
    view.setAutoUrlDetect(false);
    EXPECT_EQ(linkRanges(), Ranges{});
    EXPECT_FALSE(view.linkAt(at(positionOf("ftp://x") + 1)));
    view.setAutoUrlDetect(true);
    EXPECT_EQ(linkRanges(), (Ranges{{positionOf("ftp://x"), 7}}));
    const auto link = view.linkAt(at(positionOf("ftp://x") + 1));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->text, QStringLiteral("ftp://x"));
}

TEST_F(LinkView, PointingHandOverLinks) {
    auto moveTo = [this](QPoint p) {
        QMouseEvent move(QEvent::MouseMove, p, view.viewport()->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &move);
        return view.viewport()->cursor().shape();
    };
    EXPECT_EQ(moveTo(linkOne()), Qt::PointingHandCursor);
    EXPECT_EQ(moveTo(plainText()), Qt::IBeamCursor);
    EXPECT_EQ(moveTo(linkTwo()), Qt::PointingHandCursor);
}

TEST_F(LinkView, PressAndReleaseOnTheSameLinkReportIt) {
    press(Qt::LeftButton, linkOne());
    release(Qt::LeftButton, linkOne());
    EXPECT_EQ(clicks, (std::vector<Click>{{"www.1", Qt::LeftButton}}));
    EXPECT_FALSE(menu.isVisible());

    // The right button reports too, and its release opens the menu.
    clicks.clear();
    press(Qt::RightButton, linkTwo());
    EXPECT_FALSE(menu.isVisible());  // not on the press
    release(Qt::RightButton, linkTwo());
    EXPECT_EQ(clicks, (std::vector<Click>{{"http://two.example", Qt::RightButton}}));
    EXPECT_TRUE(menu.isVisible());
}

TEST_F(LinkView, OtherSequencesReportNothing) {
    struct Step {
        bool press;
        Qt::MouseButton button;
        int where;  // 1, 2: the links; 0: plain text
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"left press on one link, release on another", {{true, Qt::LeftButton, 1}, {false, Qt::LeftButton, 2}}},
        {"left press on a link, release on plain text", {{true, Qt::LeftButton, 1}, {false, Qt::LeftButton, 0}}},
        {"press on plain text, release on a link", {{true, Qt::LeftButton, 0}, {false, Qt::LeftButton, 1}}},
        {"middle button", {{true, Qt::MiddleButton, 1}, {false, Qt::MiddleButton, 1}}},
        {"left press, right release", {{true, Qt::LeftButton, 1}, {false, Qt::RightButton, 1}}},
        {"any release forgets the pressed link",
         {{true, Qt::LeftButton, 1}, {false, Qt::MiddleButton, 0}, {false, Qt::LeftButton, 1}}},
    };
    for (const Case& c : cases) {
        clicks.clear();
        for (const Step& s : c.steps) {
            const QPoint p = s.where == 1 ? linkOne() : s.where == 2 ? linkTwo() : plainText();
            if (s.press) press(s.button, p);
            else release(s.button, p);
        }
        EXPECT_TRUE(clicks.empty()) << c.name;
        menu.hide();
    }
    // With detection off there are no links to click.
    view.setAutoUrlDetect(false);
    press(Qt::LeftButton, linkOne());
    release(Qt::LeftButton, linkOne());
    EXPECT_TRUE(clicks.empty());
}

TEST_F(LinkView, MenuOpensOnRightReleaseAndOnTheKeyboardRequest) {
    press(Qt::RightButton, plainText());
    QContextMenuEvent byMouse(QContextMenuEvent::Mouse, plainText(), view.viewport()->mapToGlobal(plainText()));
    QApplication::sendEvent(view.viewport(), &byMouse);  // what a press sends on some platforms
    EXPECT_FALSE(menu.isVisible());
    release(Qt::RightButton, plainText());
    EXPECT_TRUE(menu.isVisible());
    EXPECT_TRUE(clicks.empty());
    menu.hide();

    QContextMenuEvent byKey(QContextMenuEvent::Keyboard, QPoint(5, 5), view.viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(view.viewport(), &byKey);
    EXPECT_TRUE(menu.isVisible());
}
