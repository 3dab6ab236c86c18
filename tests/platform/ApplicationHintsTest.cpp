#include "platform/ApplicationHints.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

using namespace kodrix;

TEST(ApplicationHints, HintComesFromTheNearestControlWithOne) {
    QWidget window;
    window.setToolTip("окно");
    auto* page = new QWidget(&window);          // no hint of its own
    auto* box = new QWidget(page);
    box->setToolTip("Выберите нужную платформу");
    auto* inner = new QLabel(box);              // inside a control with a hint
    auto* piped = new QWidget(page);
    piped->setToolTip("short|long|er");

    QWidget bare;                               // a window without any hint
    auto* bareChild = new QWidget(&bare);

    QWidget outer;                              // the search stops at a window
    outer.setToolTip("outer");
    auto* dialog = new QWidget(&outer, Qt::Window);
    auto* dialogChild = new QWidget(dialog);

    const struct {
        QWidget* widget;
        QString hint;
    } cases[] = {
        {box, "Выберите нужную платформу"},
        {inner, "Выберите нужную платформу"},
        {page, "окно"},
        {&window, "окно"},
        {piped, "long|er"},                     // the part after the first "|"
        {bareChild, ""},
        {dialogChild, ""},
        {nullptr, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ApplicationHints::hintOf(c.widget), c.hint) << c.hint.toStdString();
}

TEST(ApplicationHints, SignalFiresOnlyWhenTheTextChanges) {
    QWidget window;
    auto* platform = new QWidget(&window);
    platform->setToolTip("Выберите нужную платформу");
    auto* samePlatform = new QWidget(&window);
    samePlatform->setToolTip("Выберите нужную платформу");
    auto* chart = new QWidget(&window);

    ApplicationHints hints;
    QStringList fired;
    QObject::connect(&hints, &ApplicationHints::hintChanged, [&](const QString& h) { fired << h; });
    hints.updateFromWidget(chart);              // "" to "": nothing
    EXPECT_TRUE(fired.isEmpty());
    hints.updateFromWidget(platform);
    hints.updateFromWidget(samePlatform);       // the same text again
    EXPECT_EQ(fired, QStringList{"Выберите нужную платформу"});
    hints.updateFromWidget(chart);              // onto a control without a hint
    EXPECT_EQ(fired, (QStringList{"Выберите нужную платформу", ""}));
    EXPECT_EQ(hints.hint(), "");
    hints.updateFromWidget(platform);
    hints.updateFromWidget(nullptr);            // off the application's windows
    EXPECT_EQ(fired.size(), 4);
    EXPECT_EQ(hints.hint(), "");
}

TEST(ApplicationHints, TrackingFollowsTheControlUnderThePointer) {
    QWidget window;
    window.setGeometry(100, 100, 300, 100);
    auto* gauge = new QWidget(&window);
    gauge->setGeometry(10, 10, 38, 28);
    window.show();
    QCoreApplication::processEvents();
    QCursor::setPos(window.mapToGlobal(QPoint(20, 20)));
    if (QApplication::widgetAt(QCursor::pos()) != gauge) GTEST_SKIP() << "no pointer on this platform";

    ApplicationHints hints;
    QStringList fired;
    QObject::connect(&hints, &ApplicationHints::hintChanged, [&](const QString& h) { fired << h; });
    hints.startTracking();
    // A hint written at run time shows once pending events are handled, and
    // a burst of changes gives one update.
    gauge->setToolTip("1");
    gauge->setToolTip("Кодов: 12");
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, QStringList{"Кодов: 12"});
    hints.stopTracking();
    gauge->setToolTip("other");
    QCoreApplication::processEvents();
    EXPECT_EQ(hints.hint(), "Кодов: 12");
}
