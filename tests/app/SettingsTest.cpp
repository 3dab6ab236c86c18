#include "app/SettingPage.h"
#include "app/Unit1.h"
#include "browser/CodePage.h"
#include "components/AutoSizeLabel.h"
#include "components/ColorBox.h"
#include "components/ComboEdit.h"
#include "components/SuperBar.h"
#include "platform/SortedViews.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/registry/IniSettingsStore.h"
#include "platform/registry/MemorySettingsStore.h"
#include "search/FindPage.h"
#include "search/GraphPage.h"
#include "support/MainWindow.h"
#include "viewer/TextActions.h"
#include "viewer/Unit3.h"
#include "walkthroughs/SolutionPage.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include "components/BarChart.h"
#include "platform/richedit/RichEditView.h"
#include <gtest/gtest.h>

using namespace kodrix;

namespace {

const QString kSettings = QStringLiteral("Software\\Vorlenta\\Kodrix\\Settings");

class SettingsTest : public test::MainWindowTest {
protected:
    void SetUp() override {
        for (const char* p : {"PC", "PS2", "Sega"}) {
            cat.platform(p);
            cat.group(p, "A", {{std::string("Alpha ") + p, 0, {"a"}}});
        }
    }
    using MainWindowTest::open;
    TForm1& open(registry::SettingsStore* s) { return open(Options{s}); }
    QString saved(const char* name) const { return store.value(kSettings, name).value_or(QVariant()).toString(); }
};

}  // namespace

TEST_F(SettingsTest, FirstStartWithoutTheKeyKeepsTheDefaults) {
    TForm1& f = open();
    EXPECT_FALSE(store.hasKey(kSettings));
    EXPECT_EQ(f.font().family(), "MS Sans Serif");
    EXPECT_FALSE(f.font().bold());
    EXPECT_EQ(f.Color, colors::clBtnFace);
    EXPECT_EQ(f.code->Base->currentText(), "PC");
    EXPECT_EQ(f.PageControl1->currentWidget(), f.code);
    EXPECT_EQ(f.setting->ComboEdit1->text(), "MS Sans Serif");
    EXPECT_EQ(f.setting->ColorBox1->selected(), colors::clBtnFace);  // the window's colour, selected at start-up
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(SettingsTest, SavedOnCloseAndRestoredAtTheNextStart) {
    // The ini file of the per-user store, in a folder of the test's own.
    registry::IniSettingsStore file(QString::fromStdString((cat.dir.path() / "cfg" / "Kodrix.ini").string()));
    {
        TForm1& f = open(&file);
        script.fontAnswers.push_back([] {
            QFont bold(QStringLiteral("DejaVu Sans"), 10);
            bold.setBold(true);
            return dialogs::FontChoice{bold, colors::clWhite};
        }());
        f.ComboEdit1ButtonClick();
        f.ColorBox1Change(colors::clRed);
        f.code->Base->selectIndex(f.code->Base->list()->indexOf("SEGA"));
        f.find->base2->selectIndex(f.find->base2->list()->indexOf("PS2"));
        f.PageControl1->setCurrentWidget(f.graphik);
        f.close();
    }
    registry::IniSettingsStore reader(file.fileName());
    ASSERT_TRUE(reader.openKey(kSettings, false));
    const std::pair<const char*, const char*> expected[] = {
        {"FontName", "DejaVu Sans"}, {"FontSize", "10"},      {"FontBold", "1"},   {"FontItalic", "0"},
        {"FontUnderline", "0"},      {"MainFormColor", "255"}, {"LastBase", "SEGA"}, {"LastBaseFind", "PS2"},
        {"LastPage", "graphik"},     {"FontColor", "16777215"}};
    for (const auto& [name, value] : expected) EXPECT_EQ(reader.readString(name), value) << name;
    ASSERT_TRUE(reader.openKey("Software\\Vorlenta\\Kodrix", false));
    EXPECT_TRUE(reader.readString("BasePath").endsWith('/'));

    TForm1& g = open(&file);
    EXPECT_TRUE(g.font().bold());
    EXPECT_EQ(g.font().family(), "DejaVu Sans");
    EXPECT_EQ(g.font().pixelSize(), 13);  // 10 points at 96 per inch
    EXPECT_EQ(g.FontColor, colors::clWhite);
    EXPECT_EQ(g.Color, colors::clRed);
    EXPECT_EQ(g.code->Base->currentText(), "SEGA");
    EXPECT_EQ(g.code->Codes->currentText(), "A");  // the platform change after the load took effect
    EXPECT_EQ(g.find->base2->currentText(), "PS2");
    EXPECT_EQ(g.PageControl1->currentWidget(), g.graphik);
    EXPECT_EQ(g.setting->ColorBox1->selected(), colors::clRed);
}

TEST_F(SettingsTest, StylesAreOnlyAddedAndRemovedPlatformsAreIgnored) {
    store.set(kSettings, "FontBold", "0");
    store.set(kSettings, "FontItalic", "1");
    store.set(kSettings, "FontUnderline", "yes");
    store.set(kSettings, "LastBase", "XBOX");  // no such folder any more
    store.set(kSettings, "LastPage", "Graphik");  // compared byte for byte
    store.set(kSettings, "MainFormColor", "-16777211");  // clWindow, a system colour
    TForm1& f = open();
    EXPECT_FALSE(f.font().bold());
    EXPECT_TRUE(f.font().italic());
    EXPECT_FALSE(f.font().underline());
    EXPECT_EQ(f.code->Base->currentText(), "PC");
    EXPECT_EQ(f.PageControl1->currentWidget(), f.code);
    EXPECT_EQ(f.Color, colors::clWindow);
    EXPECT_EQ(f.palette().color(QPalette::Window), QApplication::palette().color(QPalette::Base));
}

TEST_F(SettingsTest, BadValuesAreReportedAndTheRestOfTheLoadIsSkipped) {
    struct Case {
        const char* name;
        QVariant value;
        QString report;
    } cases[] = {
        {"FontColor", "red", "'red' is not a valid integer value."},
        {"FontSize", "8pt", "'8pt' is not a valid integer value."},
        {"MainFormColor", "", ""},  // empty: nothing applied, no report
        {"FontName", QVariant(QStringList{"a", "b"}), "Invalid data type for 'FontName'"},
        {"FontSize", QVariant(12), "Invalid data type for 'FontSize'"},
    };
    for (const Case& c : cases) {
        registry::MemorySettingsStore s;
        s.set(kSettings, c.name, c.value);
        s.set(kSettings, "LastPage", "find");
        script.clear();
        TForm1& f = open(&s);
        if (c.report.isEmpty()) {
            EXPECT_TRUE(script.messages.empty()) << c.name;
            EXPECT_EQ(f.PageControl1->currentWidget(), f.find) << c.name;
        } else {
            ASSERT_EQ(script.messages.size(), 1u) << c.name;
            EXPECT_EQ(script.messages[0].text, c.report);
            EXPECT_EQ(script.messages[0].icon, dialogs::Icon::Stop);
            EXPECT_EQ(f.PageControl1->currentWidget(), f.code) << c.name;  // LastPage not reached
        }
    }
}

TEST_F(SettingsTest, ADamagedValueKeepsEveryValueReadBeforeItApplied) {
    // The values in the order they are read; a damaged one at position
    // `bad` stops the load there.
    const std::pair<const char*, QVariant> good[] = {
        {"FontName", "DejaVu Serif"}, {"FontColor", "255"},    {"FontSize", "12"},    {"MainFormColor", "65280"},
        {"FontBold", "1"},            {"FontUnderline", "1"},  {"FontItalic", "1"}};
    struct Case {
        int bad;
        QVariant value;
    } cases[] = {{1, "red"}, {2, "8pt"}, {3, "navy"}, {4, QVariant(1)}, {5, QVariant(QStringList{"1"})}, {6, QVariant(1)}};
    for (const Case& c : cases) {
        registry::MemorySettingsStore s;
        for (int i = 0; i < 7; ++i) s.set(kSettings, good[i].first, i == c.bad ? c.value : good[i].second);
        script.clear();
        TForm1& f = open(&s);
        ASSERT_EQ(script.messages.size(), 1u) << c.bad;
        const bool applied[] = {
            f.font().family() == "DejaVu Serif", f.FontColor == colors::clRed, f.font().pixelSize() == 16,
            f.Color == colors::clLime, f.font().bold(), f.font().underline(), f.font().italic()};
        for (int i = 0; i < 7; ++i) EXPECT_EQ(applied[i], i < c.bad) << good[i].first << " with " << good[c.bad].first << " damaged";
        EXPECT_EQ(f.setting->ComboEdit1->text(), "DejaVu Serif") << c.bad;  // the font box names the window's font
    }
}

TEST_F(SettingsTest, ARefusedWriteIsReportedAndTheRemainingWritesSkipped) {
    TForm1& f = open();
    store.refuseWrites = true;
    f.close();
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "Failed to set data for 'FontName'");  // ends in a quote: no full stop
    EXPECT_FALSE(store.hasKey(kSettings));
}

// A settings file far too large to be the program's, and settings with no
// home to go to: told once, in the program's box for foreseen failures, and
// the window starts with its defaults.
TEST_F(SettingsTest, WhatTheStoreHasToTellIsShownOnceAtTheStart) {
    const auto fileName = cat.dir.path() / "cfg" / "Kodrix.ini";
    cat.file("cfg/Kodrix.ini", "[Settings]\nLastPage=find\n");
    std::filesystem::resize_file(fileName, 100u << 20);
    registry::IniSettingsStore damaged(QString::fromStdString(fileName.string()));
    registry::MemorySettingsStore homeless;
    homeless.notices << QStringLiteral("Настройки не будут сохранены: …");
    const struct {
        registry::SettingsStore* store;
        QString message;
    } cases[] = {
        {&damaged, QString::fromStdString("Файл настроек \"" + fileName.string() + "\" испорчен (слишком велик) и "
                                          "переименован в \"" + fileName.string() + ".damaged\". Настройки взяты по умолчанию.")},
        {&homeless, QStringLiteral("Настройки не будут сохранены: …")},
    };
    for (const auto& c : cases) {
        script.clear();
        TForm1& f = open(c.store);
        ASSERT_EQ(script.messages.size(), 1u);
        EXPECT_EQ(script.messages[0].text, c.message);
        EXPECT_EQ(script.messages[0].caption, "Ошибка");
        EXPECT_EQ(script.messages[0].icon, dialogs::Icon::Question);
        EXPECT_EQ(f.PageControl1->currentWidget(), f.code);
        f.SaveSettings();
        EXPECT_EQ(script.messages.size(), 1u);
    }
    EXPECT_LT(std::filesystem::file_size(fileName), 4096u);  // the next save wrote a fresh file
}

TEST_F(SettingsTest, FontButtonAppliesTheChoiceAndKeepsTheColourBoxBelow) {
    TForm1& f = open();
    script.fontAnswers.push_back(dialogs::FontChoice{QFont(QStringLiteral("DejaVu Serif"), 14), colors::clWindowText});
    f.ComboEdit1ButtonClick();
    ASSERT_EQ(script.fontRequests.size(), 1u);
    EXPECT_EQ(script.fontRequests[0].font.family(), "MS Sans Serif");  // the window's font goes into the dialog
    EXPECT_EQ(f.font().family(), "DejaVu Serif");
    EXPECT_EQ(f.setting->ComboEdit1->text(), "DejaVu Serif");
    f.setting->ComboEdit1->resize(161, 40);
    f.ComboEdit1ButtonClick();  // cancelled: the font stays, the face name is the dialog's
    EXPECT_EQ(f.font().family(), "DejaVu Serif");
    EXPECT_EQ(f.setting->ColorBox1->y(), f.setting->ComboEdit1->y() + 40 + 10);
}

TEST_F(SettingsTest, TheColourReachesEveryControlThatFollowsTheWindow) {
    TForm1& f = open();
    f.ColorBox1Change(colors::clAqua);
    const QColor aqua(0, 255, 255);
    for (QWidget* w : std::initializer_list<QWidget*>{f.code->CodeView, f.code->textview, f.find->TextListBox1,
                                                      f.graphik->Chart1, f.setting})
        EXPECT_EQ(w->palette().color(w->backgroundRole()), aqua) << w->objectName().toStdString();
}

TEST_F(SettingsTest, TheFontColourChosenWithTheFontReachesTheTextOfEveryControlAndTheViewer) {
    TForm1& f = open();
    f.ColorBox1Change(colors::clNavy);
    script.fontAnswers.push_back(dialogs::FontChoice{f.font(), colors::clYellow});
    f.ComboEdit1ButtonClick();
    ASSERT_EQ(script.fontRequests.size(), 1u);
    EXPECT_EQ(script.fontRequests[0].color, colors::clWindowText);  // the window's font colour goes into the dialog
    EXPECT_EQ(f.FontColor, colors::clYellow);

    const QColor yellow(255, 255, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{
             f.code->Base, f.code->Codes, f.code->LigthFind, f.code->CodeView, f.code->textview, f.solution->Edit2,
             f.solution->TextListBox2, f.solution->RxRichEdit2, f.find->base2, f.find->Edit1, f.find->Label1,
             f.find->TextListBox1, f.find->RxRichEdit1, f.setting->ComboEdit1->edit(), f.setting->ColorBox1,
             f.setting->ColorBox1->view(), f.code->Base->view(), f.PageControl1->tabBar(), f.VorlentaBar1})
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            EXPECT_EQ(w->palette().color(role), yellow) << w->objectName().toStdString() << " role " << role;

    // The detached viewer takes the font's colour with the font.
    f.show();
    f.PageControl1->setCurrentWidget(f.code);
    f.code->textview->setFocus();
    f.Actions->N11->trigger();
    EXPECT_EQ(f.Form3->RxRichEdit2->palette().color(QPalette::Text), yellow);
    f.Form3->hide();
}
