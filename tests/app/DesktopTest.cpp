#include "app/Desktop.h"
#include "app/Unit1.h"
#include "browser/CodePage.h"
#include "components/ProgramIcon.h"
#include "platform/SortedViews.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/notify/RecordingService.h"
#include "platform/registry/MemorySettingsStore.h"
#include "support/CatalogueFixture.h"
#include "ui/ApplicationTitle.h"
#include "viewer/Unit3.h"
#include "walkthroughs/Unit2.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

using namespace kodrix;

namespace {

QImage picture(const QIcon& icon) { return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32); }

// The program's desktop set-up on the test's application, undone afterwards
// so the other tests see Qt as it was.
class DesktopTest : public testing::Test {
protected:
    void SetUp() override {
        locale = QLocale();
        fitDesktop(*qApp);
        translator = qApp->findChild<QTranslator*>();
    }
    void TearDown() override {
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
        QApplication::setWindowIcon(QIcon());
        QGuiApplication::setDesktopFileName(QString());
        QLocale::setDefault(locale);
    }

    QLocale locale;
    QTranslator* translator = nullptr;
    test::CatalogueFixture cat;
    dialogs::DialogScript script;
    registry::MemorySettingsStore store;
    notify::RecordingService tray;
};

}  // namespace

TEST_F(DesktopTest, EveryWindowShowsTheProgramsIconTheTrayShows) {
    cat.platform("PC");
    cat.group("PC", "A", {{"Alpha", 0, {"a"}}});
    TForm1 form(cat.dir.path(), TForm1Services{&store, &tray});
    form.TrayIcon1->setEnabled(true);  // into the tray: the icon it shows
    ASSERT_EQ(tray.shown.size(), 1u);
    const QImage icon = picture(tray.shown[0].icon);
    ASSERT_EQ(icon, picture(programIcon()));

    QMessageBox box(QMessageBox::Critical, "Kodrix", "text", QMessageBox::Ok);
    QFileDialog save;
    const struct {
        const char* name;
        QWidget* window;
    } windows[] = {{"main window", &form}, {"screenshot viewer", form.Form2.get()},
                   {"detached viewer", form.Form3.get()}, {"message box", &box}, {"save dialog", &save}};
    for (const auto& w : windows) EXPECT_EQ(picture(w.window->windowIcon()), icon) << w.name;
    EXPECT_FALSE(QGuiApplication::desktopFileName().isEmpty());
}

TEST_F(DesktopTest, QtsOwnDialogsAndMenusSpeakRussian) {
    ASSERT_NE(translator, nullptr) << "Qt's translations (qtbase_ru.qm) are not installed";

    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "Отмена");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), "&Да");

    QFontDialog font;
    EXPECT_EQ(font.windowTitle(), "Выбор шрифта");

    QLineEdit edit("text");
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (QAction* action : menu->actions()) texts << action->text().section(QLatin1Char('\t'), 0, 0);
    EXPECT_TRUE(texts.contains("&Копировать")) << texts.join(", ").toStdString();
    EXPECT_FALSE(texts.contains("&Copy"));

    // The save dialog's dates, whatever the locale the tests run in.
    EXPECT_EQ(QLocale().monthName(12), "декабря");
}

TEST_F(DesktopTest, TheWindowsIconTextFollowsTheApplicationTitleAndTheCaptionStays) {
    cat.platform("PC");
    cat.group("PC", "A", {{"Alpha", 0, {"a"}}, {"Arc", 0, {"b"}}});
    setApplicationTitle("Kodrix");
    TForm1 form(cat.dir.path(), TForm1Services{&store, &tray});
    EXPECT_EQ(form.windowIconText(), "Kodrix");

    for (const char* game : {"Arc", "Alpha"}) {
        form.code->CodeView->setItemIndex(form.code->CodeView->list()->indexOf(game));
        form.code->CodeViewClick();
        EXPECT_EQ(form.windowIconText(), QStringLiteral("Kodrix - ") + game);
        EXPECT_EQ(form.windowTitle(), "Kodrix (32) v4.4 RC1");
    }
}
