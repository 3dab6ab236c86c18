#include "search/FindPage.h"

#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "components/AutoSizeLabel.h"
#include "components/ProgresBarFlat.h"
#include "platform/SortedViews.h"
#include "platform/Text.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/richedit/RichEditView.h"
#include "search/WorkList.h"
#include "support/CatalogueFixture.h"
#include "support/Hostile.h"
#include "support/Lists.h"
#include "ui/ErrorReport.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <thread>
#include <gtest/gtest.h>

using namespace kodrix;
using kodrix::pack::GameSource;
using test::items;

namespace {

std::string cp(const char* utf8) { return cp1251::fromUtf8(utf8); }

// Runs fn at the run's first pass of the event pump: the pump lets events
// through at most every few milliseconds, so the test waits that long first.
void duringTheRun(std::function<void()> fn) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    QMetaObject::invokeMethod(qApp, std::move(fn), Qt::QueuedConnection);
}

// The search page in a tab control of its own beside another page, as the
// main window holds it.
class FindPageTest : public testing::Test {
protected:
    test::CatalogueFixture cat;
    dialogs::DialogScript script;
    std::unique_ptr<QTabWidget> tabs;
    QWidget* code = nullptr;
    FindPage* find = nullptr;

    void SetUp() override {
        // PS2: names in several groups, in no particular order; PC: one group.
        cat.platform("PS2");
        cat.file("PS2/S.dat", "Space\r\nSTAR RACER 2\r\n");
        cat.file("PS2/R.dat", "Road Racer\r\nRacer X racer\r\n");
        cat.file("PS2/X.dat", "Road Racer\r\n");
        cat.file("PS2/RUS.dat", cp("ЗВЕЗДНЫЙ ГОНЩИК\r\nАист\r\n"));
        cat.file("PS2/A.dat", "Alpha\r\n\r\nAce");
        cat.platform("PC");
        cat.group("PC", "B", {{"beta", 0, {"Beta code"}}, {"Bravo", 0, {"Bravo code"}}});
    }

    FindPage& open() {
        tabs = std::make_unique<QTabWidget>();
        code = new QWidget;
        find = new FindPage(cat.dir.path());
        tabs->addTab(code, "Коды");
        tabs->addTab(find, "Поиск");
        find->listPlatforms();
        tabs->setCurrentWidget(find);
        return *find;
    }
    void choosePlatform(const char* name) { find->base2->selectIndex(find->base2->list()->indexOf(name)); }
    bool search(const QString& query) {
        find->Edit1->setText(query);
        return guarded(tabs.get(), [&] { find->SpeedButton1Click(); });
    }
    QString status() const { return find->Label1->text(); }
    QStringList results() const { return items(find->TextListBox1->list()); }
};

}  // namespace

TEST_F(FindPageTest, ControlsHaveTheirNamesPlacesAndTexts) {
    FindPage& f = open();
    EXPECT_EQ(f.objectName(), "find");
    const struct {
        QWidget* control;
        const char* name;
        QRect bounds;
        const char* hint;
    } controls[] = {
        {f.base2, "base2", {0, 0, 209, 21}, "Выберите нужную платформу"},
        {f.Edit1, "Edit1", {0, 26, 209, 21}, "Введите имя игры или ее часть"},
        {f.SpeedButton1, "SpeedButton1", {0, 53, 209, 49}, "Начать поиск требуемой игры"},
        {f.Label1, "Label1", {8, 109, 73, 13}, ""},
        {f.NProgressBar1, "NProgressBar1", {0, 136, 209, 25}, ""},
        {f.TextListBox1, "TextListBox1", {0, 162, 209, 277}, "Список найденных игр"},
        {f.RxRichEdit1, "RxRichEdit1", {210, 0, 493, 439}, ""},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(c.control->objectName(), c.name);
        EXPECT_EQ(c.control->geometry(), c.bounds) << c.name;
        EXPECT_EQ(c.control->toolTip(), QString::fromUtf8(c.hint)) << c.name;
    }
    EXPECT_EQ(f.SpeedButton1->text(), "Начать поиск");
    EXPECT_EQ(status(), "Статус поиска");
    EXPECT_FALSE(f.Edit1->hasFrame());
    EXPECT_TRUE(f.NProgressBar1->smooth());
    EXPECT_FALSE(f.NProgressBar1->showFrame());
    EXPECT_TRUE(f.base2->list()->upperCase());
    EXPECT_TRUE(f.ComboBox1->isHidden());
    EXPECT_TRUE(f.ListBox1->isHidden());
    EXPECT_TRUE(f.RxRichEdit1->isReadOnly());
    EXPECT_EQ(f.RxRichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(items(f.base2->list()), (QStringList{"PC", "PS2"}));
    EXPECT_EQ(f.base2->currentIndex(), 0);
}

TEST_F(FindPageTest, TheSearchButtonKeepsItsOwnFontAndTabPassesItBy) {
    FindPage& f = open();
    // Whatever the window's font: not its face, size, weight or styles.
    QFont big("DejaVu Serif");
    big.setPixelSize(30);
    big.setWeight(QFont::Light);
    big.setItalic(true);
    big.setUnderline(true);
    big.setStrikeOut(true);
    tabs->setFont(big);
    const QFont own = f.SpeedButton1->font();
    EXPECT_EQ(own.family(), "MS Sans Serif");
    EXPECT_EQ(own.pixelSize(), 19);
    EXPECT_TRUE(own.bold());
    EXPECT_FALSE(own.italic());
    EXPECT_FALSE(own.underline());
    EXPECT_FALSE(own.strikeOut());
    EXPECT_TRUE(f.Edit1->font().italic());  // the other controls follow the window

    // A flat button: Tab goes from the query box on to the result list.
    tabs->show();
    QApplication::setActiveWindow(tabs.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(tabs.get()));
    f.Edit1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f.Edit1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.TextListBox1);
}

TEST_F(FindPageTest, SearchFindsNamesInAnyGroupAndCaseSortedAsStored) {
    open();
    choosePlatform("PS2");
    const struct {
        const char* query;
        QStringList found;
    } cases[] = {
        // A name holding the query twice counts once; the same name in two
        // groups counts twice.
        {"racer", {"Racer X racer", "Road Racer", "Road Racer", "STAR RACER 2"}},
        {"гонщик", {"ЗВЕЗДНЫЙ ГОНЩИК"}},
        {"ЁЖ", {}},
        {"", {"", "Ace", "Alpha", "Racer X racer", "Road Racer", "Road Racer", "Space", "STAR RACER 2", "Аист",
              "ЗВЕЗДНЫЙ ГОНЩИК"}},
        {"a much longer query than every name", {}},
    };
    for (const auto& c : cases) {
        const QString query = QString::fromUtf8(c.query);
        ASSERT_TRUE(search(query)) << c.query;
        EXPECT_EQ(results(), c.found) << c.query;
        EXPECT_EQ(status(), "Поиск завершен, найдено: " + QString::number(c.found.size())) << c.query;
        EXPECT_FALSE(find->SpeedButton1->isHidden()) << c.query;
    }
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(FindPageTest, AQueryCodePage1251CannotHoldFindsNothing) {
    cat.platform("Quiz");
    cat.file("Quiz/W.dat", "Who?\r\nWhat\r\n");
    open();
    choosePlatform("QUIZ");
    const struct {
        const char* query;
        QStringList found;
    } cases[] = {
        {"?", {"Who?"}},  // a question mark is a character like any
        {"🎮", {}},        // which is not what an emoji or a Chinese character is
        {"游戏", {}},
        {"Who游", {}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(search(QString::fromUtf8(c.query))) << c.query;
        EXPECT_EQ(results(), c.found) << c.query;
        EXPECT_EQ(status(), "Поиск завершен, найдено: " + QString::number(c.found.size())) << c.query;
    }
}

TEST_F(FindPageTest, NamesShorterThanTheQueryNeverBecomeCandidates) {
    open();
    choosePlatform("PS2");
    ASSERT_TRUE(search("Road Racer"));
    EXPECT_EQ(find->groupList()->count(), 5);
    // Group by group in listing order, each group's names in sorted order.
    std::vector<std::string> expected;
    for (const std::string& g : find->groupList()->items()) {
        if (g == "S") expected.push_back("STAR RACER 2");
        if (g == "R") expected.insert(expected.end(), {"Racer X racer", "Road Racer"});
        if (g == "X") expected.push_back("Road Racer");
        if (g == "RUS") expected.push_back(cp("ЗВЕЗДНЫЙ ГОНЩИК"));
    }
    EXPECT_EQ(find->candidateList()->items(), expected);
    EXPECT_EQ(results(), (QStringList{"Road Racer", "Road Racer"}));
    EXPECT_EQ(find->NProgressBar1->max(), 4);  // the matching phase's range: candidates - 1
}

TEST_F(FindPageTest, OneGroupGivesTheSortingRangeZeroToZero) {
    open();
    choosePlatform("PC");
    int min = -1, max = -1;
    duringTheRun([&] {
        min = find->NProgressBar1->min();
        max = find->NProgressBar1->max();
    });
    ASSERT_TRUE(search("b"));
    EXPECT_EQ(min, 0);
    EXPECT_EQ(max, 0);
    EXPECT_EQ(results(), (QStringList{"beta", "Bravo"}));
}

TEST_F(FindPageTest, EnterStartsARunOnlyWhileTheButtonShows) {
    open();
    choosePlatform("PS2");
    find->Edit1->setText("racer");
    bool hiddenAfterEnter = false;
    duringTheRun([&] {
        QTest::keyClick(find->Edit1, Qt::Key_Return);  // a second run would end and show the button
        hiddenAfterEnter = find->SpeedButton1->isHidden();
    });
    QTest::keyClick(find->Edit1, Qt::Key_Return);
    EXPECT_TRUE(hiddenAfterEnter);
    EXPECT_EQ(status(), "Поиск завершен, найдено: 4");
    EXPECT_EQ(results().size(), 4);

    // Another key starts nothing; Enter after the run starts a new one.
    find->Edit1->setText("гонщик");
    QTest::keyClick(find->Edit1, Qt::Key_A);
    EXPECT_EQ(results().size(), 4);
    find->Edit1->setText("гонщик");
    QTest::keyClick(find->Edit1, Qt::Key_Enter);
    EXPECT_EQ(results(), QStringList{"ЗВЕЗДНЫЙ ГОНЩИК"});
}

TEST_F(FindPageTest, EditsDuringARunLeaveItAlone) {
    open();
    choosePlatform("PS2");
    duringTheRun([&] { find->Edit1->setText("Alpha"); });
    ASSERT_TRUE(search("racer"));
    EXPECT_EQ(find->Edit1->text(), "Alpha");
    EXPECT_EQ(results().size(), 4);
    EXPECT_EQ(status(), "Поиск завершен, найдено: 4");
}

TEST_F(FindPageTest, PlatformChangeEmptiesTheResultsAndEndsARunInProgress) {
    open();
    choosePlatform("PS2");
    ASSERT_TRUE(search("racer"));
    choosePlatform("PC");
    find->Base2Change();
    EXPECT_TRUE(results().isEmpty());
    EXPECT_EQ(status(), "Статус поиска");
    EXPECT_EQ(find->NProgressBar1->position(), 0);
    ASSERT_TRUE(search("b"));  // on the new platform
    EXPECT_EQ(results(), (QStringList{"beta", "Bravo"}));

    // During a run: the list is emptied, nothing more is added, and the run
    // ends with its final status and the button back.
    choosePlatform("PS2");
    duringTheRun([&] {
        choosePlatform("PC");
        find->Base2Change();
    });
    ASSERT_TRUE(search(""));
    EXPECT_TRUE(results().isEmpty());
    EXPECT_EQ(status(), "Поиск завершен, найдено: 0");
    EXPECT_FALSE(find->SpeedButton1->isHidden());
}

TEST_F(FindPageTest, PlatformWithoutListsReportsNoDatabaseAndFindsNothing) {
    cat.platform("Empty");
    open();
    choosePlatform("EMPTY");
    ASSERT_TRUE(search(""));
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, QString("Не найдено ни одной базы"));
    EXPECT_EQ(status(), "Поиск завершен, найдено: 0");
    EXPECT_FALSE(find->SpeedButton1->isHidden());
}

TEST_F(FindPageTest, UnreadableListStopsTheRunAndThePageReturnsToIdle) {
    if (!test::makeUnreadableFile(cat.dir.path() / "PC/C.dat", "x\r\n")) GTEST_SKIP() << "no unreadable file can be made here";
    open();
    choosePlatform("PC");
    EXPECT_FALSE(search("b"));
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_TRUE(script.messages[0].text.startsWith("Cannot open file \"")) << script.messages[0].text.toStdString();
    EXPECT_TRUE(results().isEmpty());  // the names of a group read before are no results
    EXPECT_EQ(status(), "Поиск завершен, найдено: 0");
    EXPECT_FALSE(find->SpeedButton1->isHidden());
}

TEST_F(FindPageTest, ResultClickAsksForTheGameOnTheSearchPlatform) {
    cat.platform("Sega");
    cat.group("Sega", "M", {{"Moon Patrol", 0, {"Moon code"}}, {"Mortal Strike", 0, {"Mortal code"}}});
    cat.group("Sega", "S", {{"Star Mortal", 0, {"Star code"}}});
    open();
    choosePlatform("SEGA");
    ASSERT_TRUE(search("mortal"));
    ASSERT_EQ(results(), (QStringList{"Mortal Strike", "Star Mortal"}));

    std::vector<std::pair<std::string, std::string>> asked;
    QObject::connect(find, &FindPage::gameRequested,
                     [&](const std::string& platform, const std::string& name) { asked.emplace_back(platform, name); });
    for (int row : {0, 0, 1}) {
        find->TextListBox1->setItemIndex(row);
        ASSERT_TRUE(guarded(tabs.get(), [&] { find->TextListBox1Click(); }));
    }
    using Asked = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(asked, (Asked{{"SEGA", "Mortal Strike"}, {"SEGA", "Mortal Strike"}, {"SEGA", "Star Mortal"}}));
    EXPECT_TRUE(script.messages.empty());
}
