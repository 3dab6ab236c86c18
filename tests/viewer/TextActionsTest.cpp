// The popup-menu text actions of a window, the search page's Save names and
// the detached viewer, driven through their menus with scripted dialogs.
#include "viewer/TextActions.h"
#include "viewer/Unit3.h"

#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "platform/SortedViews.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/richedit/RichEditView.h"
#include "search/FindPage.h"
#include "support/CatalogueFixture.h"
#include "ui/ApplicationTitle.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <gtest/gtest.h>

using namespace kodrix;
namespace fs = std::filesystem;

namespace {

std::string cp(const char* utf8) { return cp1251::fromUtf8(utf8); }
std::string contentOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
QStringList captions(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions()) out << a->text();
    return out;
}

const char* kWalkthroughRtf = "{\\rtf1\\ansi\\ansicpg1251 {\\b Boss} see www.img12 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}";

// A main window as the text actions see it: the code text view, the
// walkthrough view, a search page and an edit box, with one PopupMenu3 on
// the three views, the detached viewer, and a selected walkthrough.
class TextActionsTest : public testing::Test {
protected:
    test::CatalogueFixture cat;
    dialogs::DialogScript script;
    QWidget window;
    RichEditView* textview = nullptr;
    RichEditView* walkView = nullptr;
    QLineEdit* edit = nullptr;
    FindPage* find = nullptr;
    TextActions* actions = nullptr;
    std::unique_ptr<TForm3> form3;
    QColor colour{0x20, 0x40, 0x60};
    QFont font{"DejaVu Serif", 13};
    QString selectedWalkthrough = "Alpha";

    void SetUp() override {
        cat.platform("PS2");
        cat.file("PS2/R.dat", cp("Racer One\r\nГонка racer\r\nrace\r\n"));
        cat.file("PS2/S.dat", "STAR RACER\r\nSpace\r\n");

        auto* layout = new QVBoxLayout(&window);
        textview = new RichEditView;
        textview->setObjectName("textview");
        textview->loadFromStream("{\\rtf1 Code text}");
        walkView = new RichEditView;
        walkView->setObjectName("RxRichEdit2");
        walkView->setAutoUrlDetect(true);
        walkView->loadFromStream(kWalkthroughRtf);
        edit = new QLineEdit;
        find = new FindPage(cat.dir.path());
        for (QWidget* w : {static_cast<QWidget*>(textview), static_cast<QWidget*>(walkView),
                           static_cast<QWidget*>(edit), static_cast<QWidget*>(find)})
            layout->addWidget(w);

        actions = new TextActions(&window, true);
        for (RichEditView* v : {textview, walkView, find->RxRichEdit1}) v->setPopupMenu(actions->PopupMenu3);
        find->setSaveDialog(&actions->SaveDialog);

        form3 = std::make_unique<TForm3>();
        actions->setViewer(form3.get());
        form3->setSources([this] { return window.focusWidget(); }, [this] { return colour; }, [this] { return font; });
    }
    void TearDown() override { form3->hide(); }

    // The user's choice in the next save dialog, in the test's folder.
    void answerSave(const std::string& name) { script.saveAnswers.push_back(QString::fromStdString((cat.dir.path() / name).string())); }
    fs::path file(const std::string& name) const { return cat.dir.path() / name; }
    QStringList reports() const {
        QStringList out;
        for (const auto& m : script.messages) out << m.text;
        return out;
    }
    void searchFor(const QString& query) {
        find->base2->list()->addMany(listPlatforms(cat.dir.path()).names);
        find->base2->selectIndex(0);
        find->Edit1->setText(query);
        find->SpeedButton1Click();
    }
};

}  // namespace

TEST_F(TextActionsTest, MenusHoldTheirItemsAndPrintIsNeverEnabled) {
    const QStringList full{"Копировать", "Выделить все", "Печать", "Сохранить в файл", "Просмотреть в окне"};
    EXPECT_EQ(captions(actions->PopupMenu3), full);
    EXPECT_EQ(captions(form3->Actions->PopupMenu3), full.mid(0, 4));
    EXPECT_EQ(form3->Actions->N11, nullptr);
    for (TextActions* a : {actions, form3->Actions}) {
        EXPECT_EQ(a->PopupMenu3->objectName(), "PopupMenu3");
        EXPECT_FALSE(a->N8->isEnabled());
        for (QAction* item : {a->N6, a->N7, a->N10}) EXPECT_TRUE(item->isEnabled());
        for (QAction* item : {a->N6, a->N8, a->N10}) EXPECT_FALSE(item->icon().isNull()) << item->objectName().toStdString();
        EXPECT_TRUE(a->N7->icon().isNull());
    }
    EXPECT_EQ(actions->N11->objectName(), "N11");
    EXPECT_FALSE(actions->N11->icon().isNull());
    EXPECT_EQ(form3->RxRichEdit2->popupMenu(), form3->Actions->PopupMenu3);
    EXPECT_EQ(find->RxRichEdit1->ownFormat(), RichEditView::TextFormat::PlainText);
    EXPECT_EQ(captions(find->PopupMenu4), QStringList{"Сохранить имена игр"});
    EXPECT_EQ(find->SaveGamename1->objectName(), "SaveGamename1");
    EXPECT_EQ(find->TextListBox1->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(TextActionsTest, CopyAndSelectAllWorkOnTheActiveViewOnly) {
    walkView->setFocus();
    QTextCursor c(walkView->document());
    c.setPosition(0);
    c.setPosition(4, QTextCursor::KeepAnchor);
    walkView->setTextCursor(c);
    QApplication::clipboard()->setText("before");
    actions->N6->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "Boss");

    actions->N7->trigger();
    EXPECT_EQ(walkView->textCursor().selectedText(), walkView->toPlainText());
    EXPECT_FALSE(textview->textCursor().hasSelection());

    // The focus in the edit box: the actions end with the report, nothing done.
    edit->setFocus();
    edit->setText("edit text");
    edit->selectAll();
    QApplication::clipboard()->setText("before");
    actions->N6->trigger();
    actions->N7->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    EXPECT_EQ(reports(), (QStringList{"Invalid class typecast.", "Invalid class typecast."}));
    EXPECT_EQ(script.messages[0].caption, applicationTitle());
    EXPECT_EQ(script.messages[0].icon, dialogs::Icon::Stop);

    // No active control at all: the same report.
    QWidget empty;
    TextActions none(&empty, true);
    script.clear();
    none.N6->trigger();
    none.N10->trigger();  // cancelled dialog: stops before the view is needed
    script.saveAnswers.push_back(QString::fromStdString(file("x.doc").string()));
    none.N10->trigger();
    EXPECT_EQ(reports(), (QStringList{"Invalid class typecast.", "Invalid class typecast."}));
    EXPECT_FALSE(fs::exists(file("x.doc")));
}

TEST_F(TextActionsTest, SaveWritesTheFormatTheNameChooses) {
    find->RxRichEdit1->setLines({"Поиск", "line"});
    const std::string plainWalk = cp("Boss see www.img12 Привет");
    const struct {
        RichEditView* view;
        const char* answer;
        const char* written;
        bool rtf;
    } cases[] = {
        {walkView, "Code.txt", "Code.txt", false},     // the proposal accepted: plain text
        {walkView, "walk", "walk.doc", true},          // the default extension: the view's own format
        {find->RxRichEdit1, "find", "find.doc", false},
        {find->RxRichEdit1, "names.RTF", "names.RTF", true},
        {textview, "dot.", "dot.", true},
    };
    for (const auto& c : cases) {
        c.view->setFocus();
        answerSave(c.answer);
        actions->N10->trigger();
        const std::string bytes = contentOf(file(c.written));
        EXPECT_EQ(bytes.rfind("{\\rtf", 0) == 0, c.rtf) << c.written << ": " << bytes;
        EXPECT_EQ(script.saveRequests.back().fileName, "Code.txt");
    }
    const dialogs::SaveRequest& asked = script.saveRequests.front();
    EXPECT_EQ(asked.defaultExt, "doc");
    EXPECT_EQ(asked.filter, "Text (txt)|*.doc|Any FileS(*.*)|*.*");
    EXPECT_TRUE(asked.overwritePrompt);
    EXPECT_EQ(contentOf(file("Code.txt")), plainWalk);
    EXPECT_EQ(contentOf(file("find.doc")), cp("Поиск\r\nline"));
    // The RTF read back gives the document saved.
    RichEditView back;
    back.loadFromStream(QByteArray::fromStdString(contentOf(file("walk.doc"))));
    EXPECT_EQ(back.toPlainText(), walkView->toPlainText());
    EXPECT_TRUE(reports().isEmpty()) << reports().join('\n').toStdString();

    // Cancelled: nothing written.
    walkView->setFocus();
    actions->N10->trigger();
    EXPECT_EQ(script.saveRequests.size(), std::size(cases) + 1);
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(cat.dir.path())) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"Code.txt", "PS2", "dot.", "find.doc", "names.RTF", "walk.doc"}));
}

TEST_F(TextActionsTest, FailedSaveReportsAndLeavesTheExistingFileIntact) {
    const fs::path keep = cat.dir.write("keep.doc", "old");
    cat.dir.mkdir("folder.doc");
    walkView->setFocus();
    answerSave("folder");
    answerSave("keep.doc/inside.txt");
    actions->N10->trigger();
    actions->N10->trigger();
    EXPECT_EQ(reports(), (QStringList{
                             QString("Cannot create file \"%1\". Is a directory.").arg(file("folder.doc").c_str()),
                             QString("Cannot create file \"%1/inside.txt\". Not a directory.").arg(keep.c_str()),
                         }));
    EXPECT_EQ(contentOf(keep), "old");

    // Save names through the same dialog, the same way.
    script.clear();
    answerSave("folder");
    find->SaveGamename1->trigger();
    EXPECT_EQ(reports(), QStringList{QString("Cannot create file \"%1\". Is a directory.").arg(file("folder.doc").c_str())});
}

TEST_F(TextActionsTest, SaveNamesWritesEachResultWithCrLf) {
    searchFor("racer");
    ASSERT_EQ(find->TextListBox1->list()->count(), 3);
    answerSave("find.doc");
    find->SaveGamename1->trigger();
    EXPECT_EQ(contentOf(file("find.doc")), cp("Racer One\r\nSTAR RACER\r\nГонка racer\r\n"));
    EXPECT_EQ(script.saveRequests.back().fileName, "find.doc");

    // The code text's save proposes its own name again, then the names theirs.
    textview->setFocus();
    answerSave("t.txt");
    actions->N10->trigger();
    EXPECT_EQ(script.saveRequests.back().fileName, "Code.txt");

    searchFor("no such game");
    ASSERT_EQ(find->TextListBox1->list()->count(), 0);
    answerSave("empty");
    find->SaveGamename1->trigger();
    EXPECT_EQ(script.saveRequests.back().fileName, "find.doc");
    ASSERT_TRUE(fs::exists(file("empty.doc")));
    EXPECT_EQ(fs::file_size(file("empty.doc")), 0u);
    EXPECT_TRUE(reports().isEmpty());
}

TEST_F(TextActionsTest, DetachedViewerWindow) {
    EXPECT_EQ(form3->objectName(), "Form3");
    EXPECT_EQ(form3->windowTitle(), "Просмотр");
    EXPECT_FALSE(form3->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form3->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form3->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(form3->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_TRUE(form3->isHidden());
    RichEditView* v = form3->RxRichEdit2;
    EXPECT_EQ(v->objectName(), "RxRichEdit2");
    EXPECT_TRUE(v->isReadOnly());
    EXPECT_TRUE(v->autoUrlDetect());
    EXPECT_EQ(v->ownFormat(), RichEditView::TextFormat::Rtf);

    walkView->setFocus();
    actions->N11->trigger();
    EXPECT_TRUE(form3->isVisible());
    EXPECT_TRUE(form3->isMaximized());
    EXPECT_EQ(form3->normalGeometry().size(), TForm3::kRestoredSize);

    // Closing only hides; the content stays.
    form3->close();
    EXPECT_TRUE(form3->isHidden());
    EXPECT_EQ(v->toPlainText(), walkView->toPlainText());
}

TEST_F(TextActionsTest, ViewInWindowRefreshesFromTheViewNowActive) {
    walkView->setFocus();
    actions->N11->trigger();
    RichEditView* v = form3->RxRichEdit2;
    EXPECT_EQ(v->toPlainText(), walkView->toPlainText());
    EXPECT_EQ(form3->viewerColor(), colour);
    EXPECT_EQ(v->palette().color(QPalette::Base), colour);
    EXPECT_EQ(v->font().family(), font.family());
    EXPECT_EQ(v->font().pointSize(), 13);
    EXPECT_TRUE(v->document()->toHtml().contains("font-weight:700"));  // the formatting came along

    // Open already: the code text now, in the new colour and font.
    textview->setFocus();
    colour = Qt::yellow;
    font = QFont("DejaVu Sans", 9);
    actions->N11->trigger();
    EXPECT_TRUE(form3->isVisible());
    EXPECT_EQ(v->toPlainText(), "Code text");
    EXPECT_EQ(form3->viewerColor(), QColor(Qt::yellow));
    EXPECT_EQ(v->font().pointSize(), 9);

    // The search page's plain text arrives as it reads.
    find->RxRichEdit1->setLines({"Привет", "мир"});
    find->RxRichEdit1->setFocus();
    actions->N11->trigger();
    EXPECT_EQ(v->toPlainText(), "Привет\nмир");
    EXPECT_TRUE(reports().isEmpty()) << reports().join('\n').toStdString();

    // No text view active: reported; new colour and font, previous content.
    edit->setFocus();
    colour = Qt::cyan;
    font = QFont("DejaVu Sans", 11);
    actions->N11->trigger();
    EXPECT_EQ(reports(), QStringList{"Invalid class typecast."});
    EXPECT_TRUE(form3->isVisible());
    EXPECT_EQ(form3->viewerColor(), QColor(Qt::cyan));
    EXPECT_EQ(v->font().pointSize(), 11);
    EXPECT_EQ(v->toPlainText(), "Привет\nмир");
}

TEST_F(TextActionsTest, ViewerActionsWorkOnItsOwnView) {
    walkView->setFocus();
    actions->N11->trigger();
    form3->Actions->N7->trigger();
    EXPECT_EQ(form3->RxRichEdit2->textCursor().selectedText(), walkView->toPlainText());
    form3->Actions->N6->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), walkView->toPlainText());
    EXPECT_FALSE(walkView->textCursor().hasSelection());

    script.saveAnswers.push_back(QString::fromStdString(file("viewer").string()));
    form3->Actions->N10->trigger();
    EXPECT_EQ(contentOf(file("viewer.doc")).rfind("{\\rtf", 0), 0u);
    EXPECT_EQ(script.saveRequests.back().fileName, "Code.txt");
}

TEST_F(TextActionsTest, LinkInTheViewerUsesTheMainWindowsSelectedWalkthrough) {
    // The main window's link handler: the walkthrough selected in its list at
    // the moment of the click.
    std::vector<std::pair<QString, QString>> opened;
    QObject::connect(form3->RxRichEdit2, &RichEditView::URLClick, form3.get(),
                     [&](const QString& link, Qt::MouseButton button) {
                         if (button == Qt::LeftButton) opened.push_back({selectedWalkthrough, link});
                     });
    walkView->setFocus();
    actions->N11->trigger();
    selectedWalkthrough = "Zeta";  // selected after the viewer was filled

    RichEditView* v = form3->RxRichEdit2;
    const int at = static_cast<int>(v->toPlainText().indexOf("www.img12")) + 3;
    QTextCursor c(v->document());
    c.setPosition(at);
    const QRect left = v->cursorRect(c);
    c.setPosition(at + 1);
    const QPoint point((left.x() + v->cursorRect(c).x()) / 2, left.center().y());
    QTest::mousePress(v->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, point);
    EXPECT_EQ(opened, (std::vector<std::pair<QString, QString>>{{"Zeta", "www.img12"}}));
}
