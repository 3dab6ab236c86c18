#include "app/Unit1.h"
#include "browser/CodePage.h"
#include "components/SuperBar.h"
#include "platform/SortedViews.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/richedit/RichEditView.h"
#include "search/FindPage.h"
#include "support/Hostile.h"
#include "support/Lists.h"
#include "support/MainWindow.h"
#include "ui/ApplicationTitle.h"
#include "ui/ErrorReport.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kodrix;
using kodrix::pack::GameSource;
using test::numbered;
using test::items;

namespace {

// The main window: its pages, its creation step and how it wires them.
class MainWindow : public test::MainWindowTest {
protected:
    void SetUp() override { setApplicationTitle("Kodrix"); }
    CodePage& page() { return *form->code; }
};

}  // namespace

TEST_F(MainWindow, ProgramDirIsSettledBeforeThePagesTakeIt) {
    // No folder given: the executable's own, for the window and its pages.
    form = std::make_unique<TForm1>(std::filesystem::path(), TForm1Services{&store, nullptr});
    const std::string dir = TForm1::executableDir().string();
    EXPECT_EQ(form->ProgramDir, TForm1::executableDir());
    EXPECT_EQ(page().PlatformPath().string().substr(0, dir.size()), dir);
}

TEST_F(MainWindow, HasItsCaptionPagesAndDesignSize) {
    cat.platform("PS2");
    cat.group("PS2", "A", numbered("Alpha", 2));
    TForm1& f = open();
    EXPECT_EQ(f.windowTitle(), QString("Kodrix (32) v4.4 RC1"));
    EXPECT_STREQ(f.metaObject()->className(), "kodrix::TForm1");
    EXPECT_EQ(f.size(), QSize(708, 545));
    EXPECT_EQ(f.font().family(), QString("MS Sans Serif"));
    const char* names[] = {"code", "solution", "find", "graphik", "setting"};
    const char* captions[] = {"Коды", "Прохождения", "Поиск", "График", "Настройки"};
    ASSERT_EQ(f.PageControl1->count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(f.PageControl1->widget(i)->objectName(), names[i]);
        EXPECT_EQ(f.PageControl1->tabText(i), QString::fromUtf8(captions[i]));
    }
    EXPECT_EQ(f.PageControl1->currentIndex(), 0);
    EXPECT_EQ(f.VorlentaBar1->height(), 33);
    EXPECT_EQ(f.VorlentaBar1->panelCount(), 3);
    EXPECT_EQ(f.VorlentaBar1->panelWidth(0), 38);  // the gauge's width
    EXPECT_EQ(f.VorlentaBar1->panelWidth(1), 600);
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(MainWindow, CreationStepErrorIsReportedAndTheWindowStillOpens) {
    cat.platform("PS2");
    cat.group("PS2", "A", numbered("Alpha", 1));
    // A list that is there but cannot be opened.
    const auto dat = cat.dir.path() / "PS2/B.dat";
    if (!test::makeUnreadableFile(dat, "b\r\n")) GTEST_SKIP() << "no unreadable file for root here";
    open();
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_TRUE(script.messages[0].text.startsWith("Cannot open file \"" + QString::fromStdString(dat.string())))
        << script.messages[0].text.toStdString();
    EXPECT_EQ(script.messages[0].icon, dialogs::Icon::Stop);
    // The remaining steps did not run, and the window is there with what was filled.
    EXPECT_EQ(form->windowTitle(), "Kodrix (32) v4.4 RC1");
    EXPECT_EQ(items(page().Codes->list()), (QStringList{"A", "B"}));
    EXPECT_EQ(page().CodeView->list()->count(), 0);
}

TEST_F(MainWindow, SecondStartShowsAHiddenMainWindow) {
    cat.platform("PS2");
    cat.group("PS2", "A", numbered("Alpha", 1));
    TForm1& f = open();
    f.show();
    f.hide();
    ASSERT_FALSE(f.isVisible());
    f.showFromSecondStart();
    EXPECT_TRUE(f.isVisible());
}

TEST_F(MainWindow, ClosingTheMainWindowEndsTheProgramWhateverElseIsOpen) {
    cat.platform("PS2");
    cat.group("PS2", "A", numbered("Alpha", 1));
    TForm1& f = open();
    f.show();
    QWidget other;  // any second top-level window, such as a viewer
    other.show();
    bool quitByClose = false;
    QTimer::singleShot(0, &f, [&] { f.close(); });
    QTimer::singleShot(5000, qApp, [&] { QCoreApplication::exit(1); });  // watchdog
    quitByClose = QCoreApplication::exec() == 0;
    EXPECT_TRUE(quitByClose);
}

TEST_F(MainWindow, SearchResultClickOpensTheGameOnTheCodePageEveryTime) {
    cat.platform("PC");
    cat.group("PC", "A", numbered("Axe", 1));
    cat.platform("Sega");
    cat.group("Sega", "M", {{"Moon Patrol", 0, {"Moon code"}}, {"Mortal Strike", 0, {"Mortal code"}}});
    cat.group("Sega", "S", {{"Star Mortal", 0, {"Star code"}}});
    TForm1& f = open();
    f.show();
    FindPage& find = *f.find;
    find.base2->selectIndex(find.base2->list()->indexOf("SEGA"));
    find.Edit1->setText("mortal");
    ASSERT_TRUE(guarded(&f, [&] { find.SpeedButton1Click(); }));
    ASSERT_EQ(items(find.TextListBox1->list()), (QStringList{"Mortal Strike", "Star Mortal"}));

    for (int round = 0; round < 2; ++round) {
        f.PageControl1->setCurrentWidget(&find);
        find.TextListBox1->setItemIndex(0);
        find.TextListBox1Click();
        EXPECT_EQ(f.PageControl1->currentWidget(), &page()) << round;
        EXPECT_EQ(f.focusWidget(), page().CodeView) << round;
        EXPECT_EQ(page().Base->currentText(), "SEGA") << round;
        EXPECT_EQ(page().Codes->currentText(), "M") << round;
        EXPECT_EQ(page().LigthFind->text().toUpper(), "MORTAL STRIKE") << round;
        EXPECT_EQ(page().CodeView->itemIndex(), 1) << round;
        EXPECT_EQ(page().textview->lines(), QStringList{"Mortal code"}) << round;
    }
    EXPECT_TRUE(script.messages.empty());

    find.TextListBox1->setItemIndex(1);
    find.TextListBox1Click();
    EXPECT_EQ(page().Codes->currentText(), "S");
    EXPECT_EQ(page().textview->lines(), QStringList{"Star code"});

    // A code page step that fails is reported over the main window.
    std::filesystem::remove(cat.dir.path() / "Sega/S.dll");
    find.TextListBox1Click();
    EXPECT_EQ(script.messages.size(), 1u);
}
