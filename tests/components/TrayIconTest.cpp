#include "components/TrayIcon.h"

#include "catalogue/Error.h"
#include "platform/notify/RecordingService.h"
#include "platform/notify/SystemTrayService.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace kodrix;
using notify::kAdd;
using notify::kDelete;
using notify::kModify;

namespace {

QIcon filled(QRgb colour) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(colour);
    return QIcon(QPixmap::fromImage(image));
}

QRgb colourOf(const QIcon& icon) { return icon.pixmap(32, 32).toImage().pixel(16, 16); }

struct TrayIconTest : testing::Test {
    notify::RecordingService service;
    QWidget owner;
    TTrayIcon* tray = new TTrayIcon(&owner, &service);

    void show() {
        tray->setEnabled(true);
        ASSERT_TRUE(tray->enabled());
        service.clear();
    }
};

}  // namespace

TEST_F(TrayIconTest, StartsHiddenWithItsConstructionValues) {
    EXPECT_FALSE(tray->enabled());
    EXPECT_TRUE(tray->icon().isNull());
    EXPECT_TRUE(tray->disabledIcon().isNull());
    EXPECT_TRUE(tray->frameIcon().isNull());
    EXPECT_EQ(tray->tip(), "");
    EXPECT_FALSE(tray->showTip());
    EXPECT_EQ(tray->taskIconID(), 0u);
    EXPECT_EQ(tray->state(), tiEnabled);
    EXPECT_TRUE(tray->iconList().isEmpty());
    EXPECT_EQ(tray->interval(), 1000u);
    EXPECT_EQ(tray->whereIcons(), tiInFiles);
    EXPECT_EQ(tray->frameIndex(), 0);
    EXPECT_EQ(tray->size(), QSize(1, 1));
    EXPECT_TRUE(tray->isEnabled());  // the widget's own flag is not the icon's
    EXPECT_TRUE(service.requests.empty());
}

TEST_F(TrayIconTest, AddSendsTheFullRecordOnceAndDeleteReusesIt) {
    tray->setIcon(filled(qRgb(255, 0, 0)));
    tray->setTip("Kodrix (32) v4.4 RC1");
    tray->setShowTip(true);
    tray->setTaskIconID(7);
    tray->setEnabled(true);
    tray->setEnabled(true);
    ASSERT_EQ(service.kinds(), (std::vector<std::uint32_t>{kAdd}));
    const auto& r = service.requests[0].record;
    EXPECT_EQ(r.size, 88u);
    EXPECT_EQ(r.window, tray);
    EXPECT_EQ(r.id, 7u);
    EXPECT_EQ(r.flags, 7u);
    EXPECT_EQ(r.callbackMessage, 0x40Au);
    EXPECT_EQ(r.tip, "Kodrix (32) v4.4 RC1");
    EXPECT_EQ(colourOf(r.icon), qRgb(255, 0, 0));

    tray->setShowTip(false);  // a modify with an empty tip; the stored record stays
    EXPECT_EQ(service.requests.back().record.tip, "");
    EXPECT_EQ(tray->iconData().tip, "Kodrix (32) v4.4 RC1");

    tray->setEnabled(false);
    tray->setEnabled(false);
    ASSERT_EQ(service.kinds(), (std::vector<std::uint32_t>{kAdd, kModify, kDelete}));
    EXPECT_EQ(service.requests.back().record.id, 7u);
    EXPECT_FALSE(tray->enabled());
    EXPECT_TRUE(service.shown.empty());
}

TEST_F(TrayIconTest, EnabledFollowsTheResultOfTheRequest) {
    service.refuseAdd = true;
    tray->setEnabled(true);
    EXPECT_FALSE(tray->enabled());
    service.refuseAdd = false;
    tray->setEnabled(true);  // tried again
    EXPECT_TRUE(tray->enabled());

    service.refuseRemove = true;
    tray->setEnabled(false);
    EXPECT_TRUE(tray->enabled());
    service.refuseRemove = false;
    tray->setEnabled(false);  // tried again
    EXPECT_FALSE(tray->enabled());
    EXPECT_EQ(service.kinds(), (std::vector<std::uint32_t>{kAdd, kAdd, kDelete, kDelete}));
    EXPECT_TRUE(service.shown.empty());
}

// Each published property: what a write sends while the icon is shown
// (nothing at all while it is hidden), and that an equal write sends nothing.
TEST_F(TrayIconTest, PropertyWritesRefreshAShownIconOnlyOnChange) {
    struct Case {
        const char* what;
        std::function<void(TTrayIcon&)> write;
        std::vector<std::uint32_t> whenShown;
    };
    const QString tip64(64, QLatin1Char('t'));
    const std::vector<Case> cases = {
        {"Icon, another object", [](TTrayIcon& t) { t.setIcon(filled(qRgb(1, 2, 3))); }, {kModify}},
        {"Icon, its own object", [](TTrayIcon& t) { t.setIcon(t.icon()); }, {}},
        {"DisabledIcon, another object", [](TTrayIcon& t) { t.setDisabledIcon(QIcon()); }, {kModify}},
        {"DisabledIcon, its own object", [](TTrayIcon& t) { t.setDisabledIcon(t.disabledIcon()); }, {}},
        {"Tip", [](TTrayIcon& t) { t.setTip("new"); }, {kModify}},
        {"Tip, equal", [](TTrayIcon& t) { t.setTip("old"); }, {}},
        {"ShowTip", [](TTrayIcon& t) { t.setShowTip(true); }, {kModify}},
        {"ShowTip, equal", [](TTrayIcon& t) { t.setShowTip(false); }, {}},
        {"TaskIconID", [](TTrayIcon& t) { t.setTaskIconID(3); }, {kModify}},
        {"TaskIconID, equal", [](TTrayIcon& t) { t.setTaskIconID(0); }, {}},
        {"State", [](TTrayIcon& t) { t.setState(tiDisabled); }, {kModify}},
        {"State, equal", [](TTrayIcon& t) { t.setState(tiEnabled); }, {}},
        {"Interval", [](TTrayIcon& t) { t.setInterval(500); }, {}},
        {"IconList", [](TTrayIcon& t) { t.setIconList({"A.ICO"}); }, {}},
        {"WhereIcons", [](TTrayIcon& t) { t.setWhereIcons(tiInExe); }, {}},
    };
    for (bool shown : {true, false}) {
        for (const auto& c : cases) {
            notify::RecordingService svc;
            TTrayIcon t(nullptr, &svc);
            t.setTip("old");
            if (shown) t.setEnabled(true);
            svc.clear();
            c.write(t);
            EXPECT_EQ(svc.kinds(), shown ? c.whenShown : std::vector<std::uint32_t>{}) << c.what << " shown=" << shown;
        }
    }
}

TEST_F(TrayIconTest, TipIsCutTo64CharactersBeforeItIsCompared) {
    const QString tip70 = QString(64, QLatin1Char('a')) + QStringLiteral("bcdefg");
    show();
    tray->setTip(tip70);
    EXPECT_EQ(tray->tip(), QString(64, QLatin1Char('a')));
    ASSERT_EQ(service.kinds(), (std::vector<std::uint32_t>{kModify}));
    tray->setTip(QString(64, QLatin1Char('a')) + QStringLiteral("zzz"));  // the same once cut
    EXPECT_EQ(service.requests.size(), 1u);
    // The record's tooltip holds 63 characters and its terminator.
    tray->setShowTip(true);
    EXPECT_EQ(service.requests.back().record.tip, std::string(63, 'a'));
    // Cyrillic counts one character each, as in the program's code page.
    tray->setTip(QString(70, QChar(0x0416)));
    EXPECT_EQ(tray->tipBytes().size(), 64u);
}

TEST_F(TrayIconTest, RecordShowsTheImageOfTheState) {
    tray->setIcon(filled(qRgb(255, 0, 0)));
    tray->setDisabledIcon(filled(qRgb(0, 0, 255)));
    show();
    tray->setState(tiDisabled);
    EXPECT_EQ(colourOf(service.requests.back().record.icon), qRgb(0, 0, 255));
    tray->setState(tiEnabled);
    EXPECT_EQ(colourOf(service.requests.back().record.icon), qRgb(255, 0, 0));
}

// The callback message: which event each mouse message fires, by the
// handlers attached.
TEST_F(TrayIconTest, CallbackDispatchTable) {
    struct Case {
        std::int64_t id;
        std::uint32_t mouse;
        bool withMouseUp;
        std::vector<std::string> events;
    };
    const std::vector<Case> cases = {
        {5, 0x201, true, {"down 0 (40,30)"}},
        {5, 0x202, true, {"up 0 (40,30)"}},
        {5, 0x202, false, {"click"}},
        {5, 0x203, true, {"dblclick"}},
        {5, 0x204, true, {"down 1 (40,30)"}},
        {5, 0x205, true, {"up 1 (40,30)"}},
        {5, 0x205, false, {"click"}},
        {5, 0x200, true, {}},  // pointer move
        {5, 0x206, true, {}},  // right double click
        {5, 0x207, true, {}},  // middle button
        {5, 0x208, true, {}},
        {4, 0x201, true, {}},  // another icon's identifier
        {-5, 0x201, true, {}},
    };
    tray->setTaskIconID(5);
    service.pointer = QPoint(40, 30);
    for (const auto& c : cases) {
        std::vector<std::string> events;
        auto mouse = [&](const char* what) {
            return [&events, what, this](QObject* sender, TMouseButton b, TShiftState s, int x, int y) {
                EXPECT_EQ(sender, tray);
                EXPECT_EQ(s, TShiftState());
                events.push_back(std::string(what) + " " + std::to_string(b) + " (" + std::to_string(x) + "," +
                                 std::to_string(y) + ")");
            };
        };
        tray->OnMouseDown = mouse("down");
        tray->OnMouseUp = c.withMouseUp ? TMouseEvent(mouse("up")) : TMouseEvent();
        tray->OnClick = [&](QObject*) { events.push_back("click"); };
        tray->OnDblClick = [&](QObject*) { events.push_back("dblclick"); };
        tray->WMIconCallback(c.id, c.mouse);
        EXPECT_EQ(events, c.events) << c.id << " " << std::hex << c.mouse;
    }
}

TEST_F(TrayIconTest, IdentifiersAbove31BitsMatchAndEventsFireOnlyWhenAttached) {
    tray->setTaskIconID(0xFFFFFFFFu);
    int downs = 0;
    tray->WMIconCallback(0xFFFFFFFFll, 0x201);  // nothing attached: nothing happens
    tray->OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    tray->WMIconCallback(0xFFFFFFFFll, 0x201);
    tray->WMIconCallback(-1, 0x201);  // the same bits, read as a negative number
    tray->WMIconCallback(0xFFFFFFFFll, 0x202);  // a release with neither OnMouseUp nor OnClick
    EXPECT_EQ(downs, 1);
}

TEST_F(TrayIconTest, PostedCallbackArrivesThroughTheEventQueueAndErrorsGoToTheGuard) {
    std::vector<std::string> reported;
    tray->setMessageGuard([&](const std::function<void()>& handle) {
        try {
            handle();
        } catch (const Error& e) {
            reported.push_back(e.message());
        }
    });
    int downs = 0;
    tray->OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int, int) {
        ++downs;
        throw Error("handler failed");
    };
    notify::postIconMessage(tray, 0x40A, 0, 0x201);
    notify::postIconMessage(tray, 0x40B, 0, 0x201);  // another message number
    EXPECT_EQ(downs, 0);  // posted, not sent
    QCoreApplication::processEvents();
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(reported, (std::vector<std::string>{"handler failed"}));

    tray->setMessageGuard(nullptr);  // without a guard the error is dropped, not thrown out of the loop
    notify::postIconMessage(tray, 0x40A, 0, 0x204);
    QCoreApplication::processEvents();
    EXPECT_EQ(downs, 2);
}

TEST_F(TrayIconTest, TimerMessagesOtherThan147OrWithoutFramesAreIgnored) {
    test::TempDir dir;
    filled(qRgb(0, 255, 0)).pixmap(32, 32).save(QString::fromStdString((dir.path() / "a.png").string()));
    tray->setState(tiAnimated);
    int animations = 0;
    tray->OnAnimate = [&](QObject*) { ++animations; };
    show();
    tray->WMTimer(147);  // empty IconList
    tray->setIconList({QString::fromStdString((dir.path() / "a.png").string())});
    tray->WMTimer(146);
    tray->WMTimer(148);
    EXPECT_TRUE(service.requests.empty());
    EXPECT_EQ(animations, 0);
    tray->WMTimer(147);
    EXPECT_EQ(service.kinds(), (std::vector<std::uint32_t>{kModify}));
    EXPECT_EQ(animations, 1);
}

TEST_F(TrayIconTest, AnimationCyclesTheFramesFromFilesAnyCase) {
    test::TempDir dir;
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    const char* names[] = {"frame0.png", "Frame1.PNG", "sub/frame2.png"};
    for (int i = 0; i < 3; ++i) {
        dir.mkdir("sub");
        filled(colours[i]).pixmap(32, 32).save(QString::fromStdString((dir.path() / names[i]).string()), "PNG");
    }
    const QString base = QString::fromStdString(dir.dirWithSlash());
    tray->setIconList({base + "frame0.png", base + "frame1.png", base + "SUB\\Frame2.png"});
    int animations = 0;
    tray->OnAnimate = [&](QObject* sender) {
        EXPECT_EQ(sender, tray);
        ++animations;
    };
    tray->setState(tiAnimated);  // hidden: frame 0 loaded, no timer
    EXPECT_EQ(colourOf(tray->frameIcon()), colours[0]);
    EXPECT_FALSE(tray->animationTimerActive());
    show();
    EXPECT_TRUE(tray->animationTimerActive());
    EXPECT_EQ(colourOf(service.shown.at(0).icon), colours[0]);
    for (int step : {1, 2, 0, 1}) {
        tray->WMTimer(147);
        EXPECT_EQ(tray->frameIndex(), step);
        EXPECT_EQ(colourOf(service.requests.back().record.icon), colours[step]) << step;
    }
    EXPECT_EQ(animations, 4);
    EXPECT_EQ(tray->iconName(), (base + "FRAME1.PNG").toUpper().toStdString());

    // A new period restarts the frames; the real timer drives them.
    tray->setInterval(10);
    EXPECT_EQ(tray->frameIndex(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return animations >= 7; }, 5000));

    // Another state stops the timer; a timer message still steps the frames
    // but OnAnimate stays quiet.
    tray->setState(tiEnabled);
    EXPECT_FALSE(tray->animationTimerActive());
    const int before = animations;
    tray->WMTimer(147);
    EXPECT_EQ(animations, before);
}

TEST_F(TrayIconTest, UnreadableFrameFileIsAFileErrorAndTheIconStaysAway) {
    test::TempDir dir;
    tray->setIconList({QString::fromStdString(dir.dirWithSlash()) + "missing.ico"});
    try {
        tray->setEnabled(true);
        FAIL() << "no error";
    } catch (const Error& e) {
        const std::string expected = "Cannot open file \"" + QString::fromStdString(dir.dirWithSlash()).toUpper().toStdString() + "MISSING.ICO\". ";
        EXPECT_EQ(e.message().substr(0, expected.size()), expected);
    }
    EXPECT_FALSE(tray->enabled());
    EXPECT_TRUE(service.requests.empty());

    // A file that holds no image is read, and gives an empty frame.
    dir.write("text.ico", "not an icon");
    tray->setIconList({QString::fromStdString(dir.dirWithSlash()) + "text.ico"});
    tray->setState(tiAnimated);
    EXPECT_TRUE(tray->frameIcon().isNull());
}

TEST_F(TrayIconTest, FramesFromTheProgramsOwnIconResources) {
    tray->setWhereIcons(tiInExe);
    tray->setIconList({"mainicon", "NoSuchIcon"});
    tray->setState(tiAnimated);
    EXPECT_EQ(tray->iconName(), "MAINICON");
    ASSERT_FALSE(tray->frameIcon().isNull());
    EXPECT_TRUE(tray->frameIcon().availableSizes().contains(QSize(32, 32)));
    tray->WMTimer(147);
    EXPECT_TRUE(tray->frameIcon().isNull());  // a name the program does not hold
}

TEST_F(TrayIconTest, DestructionRemovesAShownIcon) {
    tray->setTaskIconID(9);
    show();
    tray->setTaskIconID(10);  // removal uses the identifier of the add
    delete tray;
    EXPECT_TRUE(service.shown.empty());
    EXPECT_EQ(service.requests.back().kind, kDelete);
    EXPECT_EQ(service.requests.back().record.id, 9u);

    notify::RecordingService other;
    delete new TTrayIcon(nullptr, &other);
    EXPECT_TRUE(other.requests.empty());
}

TEST(SystemTrayService, ActivationsBecomePressAndRelease) {
    using S = notify::SystemTrayService;
    using V = std::vector<std::uint32_t>;
    EXPECT_EQ(S::mouseMessagesFor(QSystemTrayIcon::Trigger), (V{0x201, 0x202}));
    EXPECT_EQ(S::mouseMessagesFor(QSystemTrayIcon::Context), (V{0x204, 0x205}));
    EXPECT_EQ(S::mouseMessagesFor(QSystemTrayIcon::DoubleClick), (V{0x203, 0x202}));
    EXPECT_EQ(S::mouseMessagesFor(QSystemTrayIcon::MiddleClick), (V{0x207, 0x208}));
    EXPECT_EQ(S::mouseMessagesFor(QSystemTrayIcon::Unknown), V{});
}

TEST(SystemTrayService, AddFailsWithoutANotificationArea) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a notification area";
    notify::SystemTrayService service;
    QObject window;
    notify::IconRecord record;
    record.window = &window;
    EXPECT_FALSE(service.add(record));
    EXPECT_FALSE(service.modify(record));
    EXPECT_FALSE(service.remove(record));
}

namespace {

// Records the events a window receives from the notification service.
struct OwnerWindow : QObject {
    std::vector<std::uint32_t> areaGone;
    bool event(QEvent* e) override {
        if (e->type() == notify::AreaGoneEvent::eventType()) {
            areaGone.push_back(static_cast<notify::AreaGoneEvent*>(e)->id);
            return true;
        }
        return QObject::event(e);
    }
};

}  // namespace

// When the tray host ends, the icons go with it: the service drops them and
// tells their owners, and a later add asks the desktop again.
TEST(SystemTrayService, ANotificationAreaThatGoesTakesItsIconsAndSaysSo) {
    notify::SystemTrayService service;
    bool area = true;
    service.setAreaProbe([&] { return area; });
    OwnerWindow first, second;
    notify::IconRecord record;
    record.flags = notify::kFlagIcon;
    record.icon = filled(qRgb(0, 0, 255));
    for (auto [window, id] : {std::pair{&first, 3u}, std::pair{&first, 4u}, std::pair{&second, 0u}}) {
        record.window = window;
        record.id = id;
        ASSERT_TRUE(service.add(record));
    }
    service.checkArea();  // still there
    QCoreApplication::processEvents();
    EXPECT_TRUE(first.areaGone.empty());

    area = false;
    service.checkArea();
    QCoreApplication::processEvents();
    EXPECT_EQ(first.areaGone, (std::vector<std::uint32_t>{3, 4}));
    EXPECT_EQ(second.areaGone, std::vector<std::uint32_t>{0});
    EXPECT_FALSE(service.modify(record));  // forgotten
    EXPECT_FALSE(service.add(record));     // no area to add to
    area = true;
    EXPECT_TRUE(service.add(record));
}

TEST_F(TrayIconTest, AnIconLostWithTheAreaIsNoLongerShown) {
    int lost = 0;
    tray->OnIconLost = [&](QObject* sender) {
        EXPECT_EQ(sender, tray);
        ++lost;
    };
    tray->setTaskIconID(5);
    show();
    notify::postAreaGone(tray, 6);  // another icon's
    QCoreApplication::processEvents();
    EXPECT_TRUE(tray->enabled());
    service.loseArea();
    QCoreApplication::processEvents();
    EXPECT_FALSE(tray->enabled());
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(service.requests.empty());  // nothing to delete: the icon is gone
    notify::postAreaGone(tray, 5);          // not shown: nothing more to lose
    QCoreApplication::processEvents();
    EXPECT_EQ(lost, 1);
    tray->setEnabled(true);  // a new tray takes it again
    EXPECT_EQ(service.kinds(), std::vector<std::uint32_t>{kAdd});
}
