#include "app/SettingPage.h"
#include "app/Unit1.h"
#include "browser/CodePage.h"
#include "components/ColorBox.h"
#include "components/ComboEdit.h"
#include "platform/SortedViews.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/registry/IniSettingsStore.h"
#include "platform/registry/MemorySettingsStore.h"
#include "search/FindPage.h"
#include "search/GraphPage.h"
#include "support/CatalogueFixture.h"

#include <QApplication>
#include <QTabWidget>
#include "components/BarChart.h"
#include "platform/richedit/RichEditView.h"
#include <gtest/gtest.h>

using namespace kodrix;

namespace {

const QString kSettings = QStringLiteral("Software\\Vorlenta\\Kodrix\\Settings");

class SettingsTest : public testing::Test {
protected:
    test::CatalogueFixture cat;
    dialogs::DialogScript script;
    registry::MemorySettingsStore store;
    std::unique_ptr<TForm1> form;

    void SetUp() override {
        for (const char* p : {"PC", "PS2", "Sega"}) {
            cat.platform(p);
            cat.group(p, "A", {{std::string("Alpha ") + p, 0, {"a"}}});
        }
    }
    TForm1& open(registry::SettingsStore* s = nullptr) {
        form = std::make_unique<TForm1>(cat.dir.path(), TForm1Services{s ? s : &store, nullptr});
        return *form;
    }
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
            return bold;
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
        {"LastPage", "graphik"},     {"FontColor", "-16777208"}};
    for (const auto& [name, value] : expected) EXPECT_EQ(reader.readString(name), value) << name;
    ASSERT_TRUE(reader.openKey("Software\\Vorlenta\\Kodrix", false));
    EXPECT_TRUE(reader.readString("BasePath").endsWith('/'));

    TForm1& g = open(&file);
    EXPECT_TRUE(g.font().bold());
    EXPECT_EQ(g.font().family(), "DejaVu Sans");
    EXPECT_EQ(g.font().pixelSize(), 13);  // 10 points at 96 per inch
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
    script.fontAnswers.push_back(QFont(QStringLiteral("DejaVu Serif"), 14));
    f.ComboEdit1ButtonClick();
    ASSERT_EQ(script.fontRequests.size(), 1u);
    EXPECT_EQ(script.fontRequests[0].family(), "MS Sans Serif");  // the window's font goes into the dialog
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
