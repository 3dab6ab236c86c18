#include "app/Unit1.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/notify/RecordingService.h"
#include "platform/registry/MemorySettingsStore.h"
#include "support/MainWindow.h"

#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

using namespace kodrix;
using notify::kAdd;
using notify::kDelete;

namespace {

constexpr std::uint32_t kLeftDown = 0x201, kLeftUp = 0x202, kRightDown = 0x204;

class TrayTest : public test::MainWindowTest {
protected:
    void SetUp() override {
        cat.platform("PC");
        cat.group("PC", "A", {{"Alpha", 0, {"a"}}});
        open(Options{.recordTray = true});
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        tray.clear();
    }
    // A minimise as the window system reports it; the command is posted.
    void minimise() {
        form->setWindowState(form->windowState() | Qt::WindowMinimized);
        QTest::qWait(10);
    }
    void iconMessage(std::uint32_t mouse) {
        form->TrayIcon1->WMIconCallback(form->TrayIcon1->taskIconID(), mouse);
        QCoreApplication::processEvents();
    }
    // A save writes the remembered page again; counted by the values it commits.
    void countSaves() {
        store.set(QStringLiteral("Software\\Vorlenta\\Kodrix\\Settings"), QStringLiteral("LastPage"), QString());
    }
    bool saved() const {
        return !store.value(QStringLiteral("Software\\Vorlenta\\Kodrix\\Settings"), QStringLiteral("LastPage"))
                    .value_or(QVariant())
                    .toString()
                    .isEmpty();
    }
    bool inTray() const { return !form->isVisible() && form->TrayIcon1->enabled() && tray.shown.size() == 1; }
};

}  // namespace

TEST_F(TrayTest, MinimisingSavesTheSettingsAndHidesIntoTheTray) {
    countSaves();
    minimise();
    EXPECT_TRUE(inTray());
    EXPECT_TRUE(saved());
    EXPECT_EQ(tray.kinds(), std::vector<std::uint32_t>{kAdd});
    EXPECT_EQ(tray.shown[0].tip, "Kodrix (32) v4.4 RC1");
    EXPECT_FALSE(tray.shown[0].icon.isNull());
    EXPECT_FALSE(form->isMinimized());  // hidden, not minimised: it comes back as it was

    countSaves();
    form->WMSysCommand(0xF021);  // the command word is compared whole
    EXPECT_FALSE(saved());
    EXPECT_TRUE(inTray());
}

TEST_F(TrayTest, ALeftPressRestoresAndTheReleaseAndDoubleClickDoNothing) {
    minimise();
    iconMessage(kLeftDown);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->TrayIcon1->enabled());
    EXPECT_TRUE(tray.shown.empty());
    const auto requests = tray.requests.size();
    iconMessage(kLeftUp);
    iconMessage(0x203);
    EXPECT_EQ(tray.requests.size(), requests);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(TrayTest, ARightPressOpensTheMenuAtThePointerAndItsItemsWork) {
    minimise();
    tray.pointer = QPoint(600, 500);
    iconMessage(kRightDown);
    ASSERT_TRUE(form->PopupMenu2->isVisible());
    EXPECT_TRUE(inTray());
    EXPECT_EQ(form->PopupMenu2->geometry().right() + 1, 600);  // its right edge at the pointer
    const QList<QAction*> items = form->PopupMenu2->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "Восстановить");
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), "Закрыть");
    form->PopupMenu2->hide();

    items[0]->trigger();  // "Восстановить"
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(tray.shown.empty());

    countSaves();
    minimise();
    EXPECT_TRUE(saved());  // every minimise saves
    countSaves();
    items[2]->trigger();  // "Закрыть": settings saved, the program ends, no icon left
    EXPECT_TRUE(saved());
    form.reset();
    EXPECT_TRUE(tray.shown.empty());
}

TEST_F(TrayTest, AnyPaintTakesTheWindowOutOfTheTray) {
    minimise();
    ASSERT_TRUE(inTray());
    form->showFromSecondStart();  // a second start shows the hidden window
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::qWait(20);
    EXPECT_FALSE(form->TrayIcon1->enabled());
    EXPECT_TRUE(tray.shown.empty());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(TrayTest, WithoutANotificationAreaTheWindowStaysReachable) {
    tray.refuseAdd = true;
    minimise();
    EXPECT_FALSE(form->TrayIcon1->enabled());
    EXPECT_TRUE(form->isVisible());  // minimised the ordinary way, on the task bar
    EXPECT_TRUE(form->isMinimized());
    QTest::qWait(10);
    EXPECT_EQ(tray.requests.size(), 1u);  // one try, no loop of minimise commands
    form->showNormal();
    tray.refuseAdd = false;
    minimise();  // a tray that appears later is used again
    EXPECT_TRUE(inTray());
}

TEST_F(TrayTest, WhenTheTrayGoesTheHiddenWindowComesBackOnTheTaskBar) {
    minimise();
    ASSERT_TRUE(inTray());
    tray.refuseAdd = true;  // the notification area's host has ended
    tray.loseArea();
    // The minimise the window takes comes back from the window system later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.requests.size() == 2; }, 2000));
    EXPECT_FALSE(form->TrayIcon1->enabled());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isMinimized());  // on the task bar, where the user finds it
    EXPECT_EQ(tray.kinds(), (std::vector<std::uint32_t>{kAdd, kAdd}));  // the minimise tried the tray once more

    // A tray that comes back serves the next minimise.
    tray.refuseAdd = false;
    form->showNormal();
    minimise();
    EXPECT_TRUE(inTray());
}
