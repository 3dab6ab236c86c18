#include "components/Gauge.h"
#include "components/ProgresBarFlat.h"
#include "components/SuperBar.h"

#include "catalogue/Error.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

using namespace kodrix;

namespace {

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// The main window's bar: three panels of 70, 600 and 50 pixels, 33 high.
struct VorlentaBar : testing::Test {
    QWidget window;
    TVorlentaBar* bar = new TVorlentaBar(&window);

    VorlentaBar() {
        window.resize(800, 200);
        bar->setGeometry(0, 167, 800, 33);
        bar->setFixedHeight(33);
        bar->addPanel(70);
        bar->addPanel(600);
        bar->addPanel(50);
    }
};

}  // namespace

TEST_F(VorlentaBar, PanelsLieSideBySideAndTheLastReachesTheEnd) {
    ASSERT_EQ(bar->panelCount(), 3);
    EXPECT_EQ(bar->panelWidth(0), 70);
    EXPECT_EQ(bar->panelWidth(1), 600);
    EXPECT_EQ(bar->panelWidth(2), 50);
    bar->setPanelWidth(0, 38);
    EXPECT_EQ(bar->panelRect(0), QRect(0, 0, 38, 33));
    EXPECT_EQ(bar->panelRect(1), QRect(38, 0, 600, 33));
    EXPECT_EQ(bar->panelRect(2), QRect(638, 0, 800 - 638, 33));
    EXPECT_EQ(bar->panelWidth(2), 50);  // the stored width stays as written
}

TEST_F(VorlentaBar, BadPanelIndexIsAListIndexError) {
    for (int index : {-1, 3}) {
        try {
            bar->setPanelText(index, "x");
            FAIL() << index;
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
}

TEST_F(VorlentaBar, EqualWritesDoNotRepaint) {
    window.show();
    QCoreApplication::processEvents();
    PaintCounter counter;
    bar->installEventFilter(&counter);
    auto paintsAfter = [&](auto write) {
        counter.paints = 0;
        write();
        QCoreApplication::processEvents();
        return counter.paints;
    };
    EXPECT_EQ(paintsAfter([&] { bar->setPanelWidth(0, 70); }), 0);
    EXPECT_EQ(paintsAfter([&] { bar->setPanelText(1, QString()); }), 0);
    EXPECT_EQ(paintsAfter([&] { bar->setPanelWidth(0, 42); }), 1);
    EXPECT_EQ(paintsAfter([&] { bar->setPanelText(1, "Выберите нужную платформу"); }), 1);
    EXPECT_EQ(paintsAfter([&] { bar->setPanelText(1, "Выберите нужную платформу"); }), 0);
    EXPECT_EQ(bar->panelText(1), "Выберите нужную платформу");
}

TEST_F(VorlentaBar, PanelTextIsDrawnInsideItsPanel) {
    bar->setPanelText(1, "WWWW");
    const QImage withText = bar->grab().toImage();
    bar->setPanelText(1, QString());
    const QImage without = bar->grab().toImage();
    ASSERT_EQ(withText.size(), without.size());
    const QRect panel = bar->panelRect(1);
    int inside = 0, outside = 0;
    for (int y = 0; y < withText.height(); ++y)
        for (int x = 0; x < withText.width(); ++x)
            if (withText.pixel(x, y) != without.pixel(x, y)) ++(panel.contains(x, y) ? inside : outside);
    EXPECT_GT(inside, 0);
    EXPECT_EQ(outside, 0);
}

TEST_F(VorlentaBar, ChildControlsKeepTheirPlaces) {
    auto* gauge = new TGauge(bar);
    gauge->setGeometry(2, 4, 38, 28);
    window.show();
    QCoreApplication::processEvents();
    bar->setPanelWidth(0, 38);
    bar->resize(640, 33);
    QCoreApplication::processEvents();
    EXPECT_EQ(gauge->geometry(), QRect(2, 4, 38, 28));
    EXPECT_TRUE(gauge->isVisible());
    // Font and colour come from the window.
    QFont f("Arial", 13);
    window.setFont(f);
    EXPECT_EQ(gauge->font(), bar->font());
    EXPECT_EQ(bar->font().pointSize(), 13);
}

namespace {

// The outermost ring of pixels of the bar as painted.
std::vector<QRgb> ringPixels(TNProgressBar& bar) {
    const QImage image = bar.grab().toImage();
    std::vector<QRgb> ring;
    const int w = image.width(), h = image.height();
    for (int x = 0; x < w; ++x) {
        ring.push_back(image.pixel(x, 0));
        ring.push_back(image.pixel(x, h - 1));
    }
    for (int y = 0; y < h; ++y) {
        ring.push_back(image.pixel(0, y));
        ring.push_back(image.pixel(w - 1, y));
    }
    return ring;
}

}  // namespace

TEST(NProgressBar, FrameCanBeSwitchedOffAndBackOn) {
    QWidget page;
    page.resize(300, 100);
    auto* bar = new TNProgressBar(&page);
    bar->setGeometry(0, 36, 209, 25);
    bar->setSmooth(true);
    bar->setMax(10);
    bar->setPosition(10);  // full: the bar's colour reaches the frame on all sides
    EXPECT_TRUE(bar->showFrame());
    const QRgb background = bar->palette().color(bar->backgroundRole()).rgb();

    auto differing = [&] {
        int n = 0;
        for (QRgb p : ringPixels(*bar)) n += p != background;
        return n;
    };
    EXPECT_GT(differing(), 0);
    bar->setShowFrame(false);
    EXPECT_EQ(differing(), 0);
    bar->setShowFrame(true);
    EXPECT_GT(differing(), 0);
}

TEST(NProgressBar, ShowFrameWritesRepaintOnlyOnAChange) {
    TNProgressBar bar;
    bar.resize(209, 25);
    bar.show();
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();  // the first paints
    PaintCounter counter;
    bar.installEventFilter(&counter);
    bar.setShowFrame(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    bar.setShowFrame(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
}

TEST(NProgressBar, PositionWritesRepaintLaterAndOnlyWhenAPixelChanges) {
    TNProgressBar bar;
    bar.resize(102, 25);  // 100 inner pixels
    bar.setMax(100000);
    bar.show();
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    PaintCounter counter;
    bar.installEventFilter(&counter);
    for (int j = 1; j < 1000; ++j) bar.setPosition(j);  // all within the first pixel
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(bar.position(), 999);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    for (int j = 1000; j <= 5000; ++j) bar.setPosition(j);  // five pixels: one repaint, once the loop lets it
    EXPECT_EQ(counter.paints, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
}

TEST(NProgressBar, PositionIsPinnedToTheRangeAndSmoothFillsContinuously) {
    TNProgressBar bar;
    bar.resize(102, 25);
    bar.setShowFrame(false);
    bar.setSmooth(true);
    bar.setMin(0);
    bar.setMax(4);
    bar.setPosition(9);
    EXPECT_EQ(bar.position(), 4);
    bar.setPosition(-3);
    EXPECT_EQ(bar.position(), 0);

    bar.setPosition(2);  // half: 50 of the 100 inner pixels
    const QImage image = bar.grab().toImage();
    const QRgb fill = bar.palette().color(QPalette::Highlight).rgb();
    for (int x = 1; x <= 50; ++x) EXPECT_EQ(image.pixel(x, 12), fill) << x;
    for (int x = 51; x <= 100; ++x) EXPECT_NE(image.pixel(x, 12), fill) << x;
}
