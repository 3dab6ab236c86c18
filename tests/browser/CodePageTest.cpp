#include "ui/ApplicationTitle.h"
#include "ui/ErrorReport.h"
#include "app/Unit1.h"
#include "components/Gauge.h"
#include "components/SuperBar.h"
#include "browser/CodePage.h"
#include "search/FindPage.h"
#include "ui/SelectByName.h"
#include "platform/SortedViews.h"
#include "platform/Text.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/richedit/RichEditView.h"
#include "support/Hostile.h"
#include "support/Lists.h"
#include "support/MainWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace kodrix;
using kodrix::pack::GameSource;
using test::numbered;
using test::items;

namespace {

// The code page inside the main window.
class CodePageTest : public test::MainWindowTest {
protected:
    void SetUp() override { setApplicationTitle("Kodrix"); }
    CodePage& page() { return *form->code; }
    void choosePlatform(const char* name) {
        page().Base->selectIndex(page().Base->list()->indexOf(name));
        page().BaseChange();
    }
    void chooseLetter(const char* letter) {
        page().Codes->selectIndex(page().Codes->list()->indexOf(letter));
        page().CodesChange();
    }
    void clickGame(const QString& name) {
        int i = -1;
        for (int k = 0; k < page().CodeView->list()->count(); ++k)
            if (page().CodeView->list()->text(k) == name) i = k;
        page().CodeView->setItemIndex(i);
        guarded(form.get(), [&] { page().CodeViewClick(); });
    }
};

}  // namespace

TEST_F(CodePageTest, StartUpListsPlatformsGroupsAndTheFirstGroupsGames) {
    cat.platform("PS2");
    cat.platform("PC");
    cat.dir.mkdir("sol");
    cat.group("PS2", "M", numbered("Moon", 3));
    cat.group("PC", "B", {{"bravo", 0, {"x"}}, {"Alpha", 0, {"y"}}, {"charlie", 0, {"z"}}});
    cat.group("PC", "A", numbered("Axe", 1));
    open();
    EXPECT_EQ(items(page().Base->list()), (QStringList{"PC", "PS2"}));
    EXPECT_EQ(page().Base->currentIndex(), 0);
    EXPECT_EQ(items(page().Codes->list()), (QStringList{"A", "B"}));
    EXPECT_EQ(page().Codes->currentText(), "A");
    EXPECT_EQ(items(page().CodeView->list()), QStringList{"Axe0"});

    chooseLetter("B");  // sorted, whatever the file's order
    EXPECT_EQ(items(page().CodeView->list()), (QStringList{"Alpha", "bravo", "charlie"}));
    // Sideways scrolling reaches the widest name plus one "x".
    const QFontMetrics fm(page().CodeView->font());
    const QModelIndex first = page().CodeView->list()->index(0);
    EXPECT_EQ(page().CodeView->list()->data(first, Qt::SizeHintRole).toSize().width(),
              std::max({fm.horizontalAdvance("Alpha"), fm.horizontalAdvance("bravo"), fm.horizontalAdvance("charlie")}) +
                  fm.horizontalAdvance('x'));
}

TEST_F(CodePageTest, GaugeShowsTheGroupsShareWithItsHint) {
    cat.platform("PS2");
    cat.group("PS2", "A", numbered("Alpha", 10));
    cat.group("PS2", "B", numbered("Beta", 30));
    open();
    EXPECT_EQ(page().PlatformGameTotal, 40);
    EXPECT_EQ(form->Gauge1->maxValue(), 40);
    EXPECT_EQ(form->Gauge1->progress(), 9);
    const QString hint = form->Gauge1->toolTip();
    EXPECT_EQ(hint, QString("Всего кодов: 40") + QChar(0x0A) + QChar(0x0D) + "Кодов на букву A - 10");
    chooseLetter("B");
    EXPECT_EQ(form->Gauge1->progress(), 29);
}

TEST_F(CodePageTest, PlatformChangeSelectsTheFirstGroupAndEmptiesTheText) {
    cat.platform("PC");
    cat.platform("Sega");
    cat.group("PC", "A", {{"Axe", 0, {"line"}}});
    cat.dir.write("Sega/m.dat", "Mortal Strike\r\nMoon\r\n");
    cat.dir.write("Sega/z.dat", "Zed\r\n");
    open();
    clickGame("Axe");
    ASSERT_EQ(page().textview->lines(), QStringList{"line"});
    choosePlatform("SEGA");
    EXPECT_EQ(items(page().Codes->list()), (QStringList{"M", "Z"}));
    EXPECT_EQ(page().Codes->currentText(), "M");
    EXPECT_EQ(items(page().CodeView->list()), (QStringList{"Moon", "Mortal Strike"}));
    EXPECT_EQ(page().textview->lineCount(), 0);
    EXPECT_TRUE(page().PlatformPath() == cat.dir.path() / "Sega");
}

TEST_F(CodePageTest, GameClickShowsItsStringsTitleHintAndIcon) {
    cat.platform("PS2");
    std::vector<GameSource> games = {{"Mortal Strike", 1, {"first", "second", "third"}},
                                     {"Moon", 1, {std::string(300, 'x')}}};
    cat.group("PS2", "M", games, 10);
    cat.icons("PS2", 3);
    open();
    clickGame("Mortal Strike");
    EXPECT_EQ(page().CodeBegin, 10);
    EXPECT_EQ(page().CodeEnd, 12);
    EXPECT_EQ(page().textview->lines(), (QStringList{"first", "second", "third"}));
    EXPECT_EQ(applicationTitle(), "Kodrix - Mortal Strike");
    EXPECT_EQ(page().CodeView->toolTip(), "Mortal Strike");
    EXPECT_FALSE(page().IconView->isHidden());
    EXPECT_EQ(page().CurrentIconIndex, 1);
    const qint64 shown = page().IconView->pixmap().cacheKey();
    EXPECT_EQ(page().IconView->size(), QSize(32, 32));

    clickGame("Moon");  // the same icon: not loaded again
    EXPECT_EQ(page().IconView->pixmap().cacheKey(), shown);
    EXPECT_EQ(page().textview->lines(), QStringList{QString(254, 'x')});  // the 255-byte buffer's cut
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(CodePageTest, ReversedRangeGivesNoLinesAndLetterChangeKeepsTheText) {
    cat.platform("PS2");
    cat.group("PS2", "A", {{"Alpha", 0, {"a1", "a2"}}});
    cat.group("PS2", "B", {{"Beta", 0, {"b1"}}});
    cat.file("PS2/B.ini", "[Beta]\r\nbegin=12\r\nend=10\r\nicon=0\r\n");
    open();
    clickGame("Alpha");
    chooseLetter("B");
    EXPECT_EQ(page().textview->lines(), (QStringList{"a1", "a2"}));  // kept across the letter change
    clickGame("Beta");
    EXPECT_EQ(page().textview->lineCount(), 0);
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(CodePageTest, FailuresOfAGameClickLeaveTheStatedState) {
    cat.platform("PS2");
    cat.group("PS2", "A", {{"Alpha", 0, {"a1"}}, {"Axe", 0, {"x1"}}});
    cat.group("PS2", "B", {{"Beta", 0, {"b1"}}});
    cat.group("PS2", "C", {{"Crash", 0, {"c1"}}});
    cat.group("PS2", "D", {{"Dull", 0, {"d1"}}});
    cat.group("PS2", "E", {{"Echo", 0, {"e1"}}});
    std::filesystem::remove(cat.dir.path() / "PS2/B.ini");
    std::filesystem::remove(cat.dir.path() / "PS2/C.dll");
    cat.file("PS2/D.dll", "MZ not a module");
    cat.file("PS2/E.ini", "[Echo]\r\nbegin=1\r\nend=1\r\nicon=seven\r\n");
    cat.file("PS2/A.ini", "[Alpha]\r\nbegin=1\r\nend=1\r\nicon=0\r\n[Axe]\r\nbegin=1x\r\nend=1\r\n");
    open();
    clickGame("Alpha");
    ASSERT_EQ(page().textview->lines(), QStringList{"a1"});

    clickGame("Axe");  // `begin` not an integer: abandoned before the text view
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages.back().text, QString("'1x' is not a valid integer value."));
    EXPECT_EQ(script.messages.back().icon, dialogs::Icon::Stop);
    EXPECT_EQ(page().textview->lines(), QStringList{"a1"});
    EXPECT_EQ(applicationTitle(), "Kodrix - Alpha");

    chooseLetter("B");  // no B.ini: nothing changes, and the check comes before the selected game is read
    page().CodeView->setItemIndex(-1);
    guarded(form.get(), [&] { page().CodeViewClick(); });
    EXPECT_EQ(script.messages.back().text, QString("Не найден файл B.ini"));
    clickGame("Beta");
    EXPECT_EQ(script.messages.back().text, QString("Не найден файл B.ini"));
    EXPECT_EQ(script.messages.back().caption, QString("Ошибка"));
    EXPECT_EQ(script.messages.back().icon, dialogs::Icon::Question);
    EXPECT_EQ(page().textview->lines(), QStringList{"a1"});
    EXPECT_EQ(applicationTitle(), "Kodrix - Alpha");

    chooseLetter("C");  // no C.dll: the old text stays
    clickGame("Crash");
    EXPECT_EQ(script.messages.back().text, QString("Не найден файл C.dll"));
    EXPECT_EQ(page().textview->lines(), QStringList{"a1"});

    chooseLetter("D");  // a damaged module: the text view is cleared
    clickGame("Dull");
    EXPECT_EQ(script.messages.back().text,
              QString("Ошибка при использовании динамической библиотеки. Возможно библиотека отсутствует или испорчена."));
    EXPECT_EQ(script.messages.back().caption, QString("Kodrix - Dull"));
    EXPECT_EQ(script.messages.back().icon, dialogs::Icon::None);
    EXPECT_EQ(page().textview->lineCount(), 0);

    chooseLetter("E");  // `icon` not an integer: text and title already updated, hint not
    clickGame("Echo");
    EXPECT_EQ(script.messages.back().text, QString("'seven' is not a valid integer value."));
    EXPECT_EQ(page().textview->lines(), QStringList{"e1"});
    EXPECT_EQ(applicationTitle(), "Kodrix - Echo");

    const auto before = script.messages.size();
    page().CodeView->setItemIndex(-1);  // no game selected
    guarded(form.get(), [&] { page().CodeViewClick(); });
    ASSERT_EQ(script.messages.size(), before + 1);
    EXPECT_EQ(script.messages.back().text, QString("List index out of bounds (-1)"));
}

TEST_F(CodePageTest, PlatformWithoutIconLibraryHidesTheIconButShowsText) {
    cat.platform("PS2");
    cat.platform("PSX");
    cat.group("PS2", "A", {{"Alpha", 2, {"a1"}}});
    cat.group("PSX", "A", {{"Apex", 2, {"p1"}}});
    cat.icons("PS2", 3);
    open();
    EXPECT_TRUE(page().IconView->isHidden());  // no platform at the first Show icon
    clickGame("Alpha");
    EXPECT_FALSE(page().IconView->isHidden());
    choosePlatform("PSX");
    clickGame("Apex");
    EXPECT_TRUE(page().IconView->isHidden());
    EXPECT_EQ(page().textview->lines(), QStringList{"p1"});
}

TEST_F(CodePageTest, NoDatabaseReportedForAPlatformWithoutLists) {
    cat.platform("AAA");  // sorts first and has no lists
    cat.platform("PS2");
    cat.group("PS2", "A", numbered("Alpha", 1));
    open();
    ASSERT_FALSE(script.messages.empty());
    EXPECT_EQ(script.messages.front().text, QString("Не найдено ни одной базы"));
    EXPECT_EQ(page().Codes->list()->count(), 0);
    EXPECT_EQ(page().CodeView->list()->count(), 0);
}

TEST_F(CodePageTest, VanishedListStopsTheLetterChangeWithTheFileError) {
    cat.platform("PS2");
    cat.group("PS2", "A", numbered("Alpha", 2));
    cat.group("PS2", "B", numbered("Beta", 3));
    open();
    const int gaugeMax = form->Gauge1->maxValue();
    std::filesystem::remove(cat.dir.path() / "PS2/B.dat");
    page().Codes->selectIndex(1);
    EXPECT_FALSE(guarded(form.get(), [&] { page().CodesChange(); }));
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_TRUE(script.messages[0].text.startsWith("Cannot open file \"")) << script.messages[0].text.toStdString();
    EXPECT_TRUE(script.messages[0].text.endsWith("B.dat\". No such file or directory."));
    EXPECT_EQ(items(page().CodeView->list()), (QStringList{"Alpha0", "Alpha1"}));  // kept
    EXPECT_EQ(form->Gauge1->maxValue(), gaugeMax);
}

TEST_F(CodePageTest, QuickFindPicksTheGroupAndTheFirstMatchingGame) {
    cat.platform("PS2");
    cat.platform("PSX");
    cat.group("PS2", "A", numbered("Alpha", 2));
    cat.group("PS2", "M", {{"MOR", 0, {"m"}}, {"Mortal Strike", 0, {"ms"}}, {"Moon", 0, {"mo"}}});
    cat.group("PS2", "RUS", {{"\xC0\xEB\xFC\xF4\xE0", 0, {"r"}}});
    cat.group("PSX", "B", numbered("Beta", 1));
    open();
    auto type = [&](const QString& text) {
        page().LigthFind->setText(text);
        guarded(form.get(), [&] { page().LigthFindChange(); });
    };
    auto selectedGame = [&]() -> QString {
        int i = page().CodeView->itemIndex();
        return i < 0 ? QString() : page().CodeView->list()->text(i);
    };
    clickGame("Alpha0");
    const QStringList text = page().textview->lines();

    type("M");
    EXPECT_EQ(page().Codes->currentText(), "M");
    EXPECT_EQ(selectedGame(), "Moon");
    type("MORT");
    EXPECT_EQ(selectedGame(), "Mortal Strike");  // MOR is too short to match
    type("MORTX");
    EXPECT_EQ(selectedGame(), "");
    EXPECT_EQ(page().textview->lines(), text);  // typing never changes the code text

    type("Z");  // no group Z: the group found last stays
    EXPECT_EQ(page().Codes->currentText(), "M");
    EXPECT_EQ(page().LetterMatchIndex, 1);
    EXPECT_EQ(selectedGame(), "");

    type("А");  // a Cyrillic capital: the RUS group
    EXPECT_EQ(page().Codes->currentText(), "RUS");
    EXPECT_EQ(selectedGame(), QString("Альфа"));

    type("M");
    type("");  // emptied box: nothing changes
    EXPECT_EQ(page().Codes->currentText(), "M");
    EXPECT_EQ(selectedGame(), "Moon");

    choosePlatform("PSX");  // one group only; LetterMatchIndex stays 1
    type("Q");
    EXPECT_EQ(page().Codes->currentIndex(), -1);
    EXPECT_EQ(page().CodeView->list()->count(), 0);
    type("Я");  // no RUS group here: the current group is reloaded
    EXPECT_EQ(page().CodeView->list()->count(), 0);
}

TEST_F(CodePageTest, TypingIsForcedToUpperCase) {
    cat.platform("PS2");
    cat.group("PS2", "M", numbered("Moon", 1));
    open();
    page().LigthFind->setFocus();
    QTest::keyClicks(page().LigthFind, "moo");
    EXPECT_EQ(page().LigthFind->text(), "MOO");
    EXPECT_EQ(page().CodeView->itemIndex(), 0);

    // A click into the box runs quick find again.
    page().CodeView->setItemIndex(-1);
    QTest::mouseClick(page().LigthFind, Qt::LeftButton);
    EXPECT_EQ(page().CodeView->itemIndex(), 0);
}

TEST_F(CodePageTest, SelectByNamePicksTheRememberedPlatformOnlyWhenItExists) {
    cat.platform("PC");
    cat.platform("Sega");
    cat.group("PC", "A", numbered("Axe", 1));
    cat.group("Sega", "M", numbered("Moon", 1));
    open();
    SortedComboBox& base = *page().Base;
    int events = 0;
    QObject::connect(&base, &QComboBox::currentIndexChanged, [&] { ++events; });
    selectByName(base, cat.dir.path(), "SEGA");  // the folder is "Sega": found without regard to case
    EXPECT_EQ(base.currentText(), "SEGA");
    selectByName(base, cat.dir.path(), "");
    selectByName(base, cat.dir.path(), "PS2");  // nothing of that name beside the program
    EXPECT_EQ(base.currentText(), "SEGA");
    selectByName(base, cat.dir.path(), "Pc");  // the folder exists, but no item equals "Pc" byte for byte
    EXPECT_EQ(base.currentText(), "SEGA");
    EXPECT_EQ(events, 0);
}

TEST_F(CodePageTest, IconIndexOutside16BitsIsExtractedOnEveryClick) {
    cat.platform("PS2");
    cat.group("PS2", "A", {{"Alpha", 0, {"a"}}});
    cat.file("PS2/A.ini", "[Alpha]\r\nbegin=1\r\nend=1\r\nicon=65537\r\n");
    cat.icons("PS2", 3);
    open();
    clickGame("Alpha");
    EXPECT_EQ(page().GameIconIndex, 65537);
    EXPECT_EQ(page().CurrentIconIndex, 1);  // the low 16 bits pick the icon
    const qint64 first = page().IconView->pixmap().cacheKey();
    clickGame("Alpha");  // 65537 never equals the cached 1: extracted again
    EXPECT_NE(page().IconView->pixmap().cacheKey(), first);
    EXPECT_EQ(page().CurrentIconIndex, 1);
}
