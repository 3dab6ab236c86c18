#include "components/Gauge.h"

#include "catalogue/Error.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>

#include <gtest/gtest.h>

#include <climits>

using namespace kodrix;

namespace {

// A gauge of the status bar's size (38 x 28) on a grey background, so the
// area around the ellipse can be told from the ellipse and the frame.
struct Gauge : testing::Test {
    TGauge gauge;
    const QColor grey{0xC0, 0xC0, 0xC0};

    Gauge() {
        gauge.resize(38, 28);
        QPalette pal = gauge.palette();
        pal.setColor(QPalette::Window, grey);
        gauge.setPalette(pal);
    }

    QRgb pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }
    bool black(const QImage& image, int x, int y) { return pixel(image, x, y) == 0x000000u; }
    bool white(const QImage& image, int x, int y) { return pixel(image, x, y) == 0xFFFFFFu; }
};

// The percentage text is drawn over the centre; it is switched off where the
// wedge's pixels are checked.
QImage pieOnly(TGauge& gauge) {
    gauge.setShowText(false);
    return gauge.render();
}

}  // namespace

TEST_F(Gauge, FrameAreaAndEllipse) {
    const QImage image = pieOnly(gauge);
    ASSERT_EQ(image.size(), QSize(38, 28));
    for (int x = 0; x < 38; ++x) {
        EXPECT_TRUE(black(image, x, 0)) << x;
        EXPECT_TRUE(black(image, x, 27)) << x;
    }
    for (int y = 0; y < 28; ++y) {
        EXPECT_TRUE(black(image, 0, y)) << y;
        EXPECT_TRUE(black(image, 37, y)) << y;
    }
    // Corners of the drawing area lie outside the ellipse: the gauge's colour.
    EXPECT_EQ(pixel(image, 1, 1), grey.rgb() & 0xFFFFFFu);
    EXPECT_EQ(pixel(image, 36, 26), grey.rgb() & 0xFFFFFFu);
    // The ellipse fills the drawing area: its outline touches all four sides.
    EXPECT_TRUE(black(image, 1, 14));
    EXPECT_TRUE(black(image, 36, 14));
    EXPECT_TRUE(black(image, 19, 1));
    EXPECT_TRUE(black(image, 19, 26));
    // 0%: no wedge, the inside is white.
    for (int x = 3; x <= 34; ++x) EXPECT_TRUE(white(image, x, 14)) << x;
    for (int y = 3; y <= 24; ++y) EXPECT_TRUE(white(image, 19, y)) << y;
}

TEST_F(Gauge, WedgeGrowsClockwiseFromTwelveOClock) {
    struct Case {
        int progress;
        bool upperRight, lowerRight, lowerLeft, upperLeft;  // quadrants of the ellipse
    };
    const Case cases[] = {
        {0, false, false, false, false},
        {25, true, false, false, false},   // 12 to 3 o'clock
        {50, true, true, false, false},    // 12 to 6 o'clock
        {75, true, true, true, false},     // 12 to 9 o'clock
        {100, true, true, true, true},     // the whole ellipse
    };
    for (const auto& c : cases) {
        gauge.setProgress(c.progress);
        const QImage image = pieOnly(gauge);
        // Points inside each quadrant, a few pixels from the radii.
        EXPECT_EQ(black(image, 26, 9), c.upperRight) << c.progress;
        EXPECT_EQ(black(image, 26, 19), c.lowerRight) << c.progress;
        EXPECT_EQ(black(image, 11, 19), c.lowerLeft) << c.progress;
        EXPECT_EQ(black(image, 11, 9), c.upperLeft) << c.progress;
    }
}

TEST_F(Gauge, WedgeEdgesLieOnTheHourRadii) {
    // 25%: just above the horizontal radius to the right is inside the
    // wedge, just below is not.
    gauge.setProgress(25);
    QImage image = pieOnly(gauge);
    for (int x = 24; x <= 33; ++x) {
        EXPECT_TRUE(black(image, x, 11)) << x;
        EXPECT_TRUE(white(image, x, 17)) << x;
    }
    // 50%: just right of the vertical radius below the centre is inside,
    // just left is not.
    gauge.setProgress(50);
    image = pieOnly(gauge);
    for (int y = 18; y <= 23; ++y) {
        EXPECT_TRUE(black(image, 22, y)) << y;
        EXPECT_TRUE(white(image, 15, y)) << y;
    }
}

TEST_F(Gauge, TextIsExclusiveOrOverThePicture) {
    // 0%: the text shows black on the white ellipse.
    QImage image = gauge.render();
    const QImage plain = pieOnly(gauge);
    int differing = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 38; ++x) {
            if (image.pixel(x, y) == plain.pixel(x, y)) continue;
            ++differing;
            EXPECT_TRUE(white(plain, x, y)) << x << "," << y;
            EXPECT_TRUE(black(image, x, y)) << x << "," << y;
            EXPECT_TRUE(x > 0 && x < 37 && y > 0 && y < 27) << "text outside the frame";
        }
    EXPECT_GT(differing, 5);

    // 100%: the same glyph pixels show white on the black wedge.
    gauge.setShowText(true);
    gauge.setProgress(100);
    image = gauge.render();
    const QImage full = pieOnly(gauge);
    int whiteOnBlack = 0;
    for (int y = 1; y < 27; ++y)
        for (int x = 1; x < 37; ++x)
            if (black(full, x, y) && white(image, x, y)) ++whiteOnBlack;
    EXPECT_GT(whiteOnBlack, 5);
}

TEST_F(Gauge, PercentageIsTruncatedAndClamped) {
    struct Case {
        int min, max, progress;
        int expectedProgress, percent;
    };
    const Case cases[] = {
        {0, 100, 37, 37, 37},
        {0, 1000, 999, 999, 99},           // 99.9% shows 99
        {0, 100, 150, 100, 100},           // above the maximum
        {10, 100, 5, 10, 0},               // below the minimum
        {0, 0, 0, 0, 0},                   // no range: 0%
        {-50, 50, 0, 0, 50},
        {0, INT_MAX, INT_MAX, INT_MAX, 100},           // no overflow in the product
        {INT_MIN, INT_MAX, 0, 0, 50},                  // nor in the range
        {INT_MIN, INT_MAX, INT_MAX - 1, INT_MAX - 1, 99},
    };
    for (const auto& c : cases) {
        TGauge g;
        g.setMaxValue(c.max);  // first, so that a minimum above 100 is allowed
        g.setMinValue(c.min);
        g.setProgress(c.progress);
        EXPECT_EQ(g.progress(), c.expectedProgress) << c.min << ".." << c.max << " " << c.progress;
        EXPECT_EQ(g.percentDone(), c.percent) << c.min << ".." << c.max << " " << c.progress;
    }
}

TEST_F(Gauge, MaxValueLowersProgressAndRefusesValuesBelowMin) {
    gauge.setProgress(80);
    gauge.setMaxValue(50);
    EXPECT_EQ(gauge.progress(), 50);
    EXPECT_EQ(gauge.percentDone(), 100);
    gauge.setMaxValue(0);
    EXPECT_EQ(gauge.progress(), 0);
    EXPECT_EQ(gauge.percentDone(), 0);

    gauge.setMinValue(-5);
    try {
        gauge.setMaxValue(-6);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), "Value must be between -5 and 2147483647");
    }
    EXPECT_EQ(gauge.maxValue(), 0);
    try {
        gauge.setMinValue(1);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), "Value must be between -2147483648 and 0");
    }
    EXPECT_EQ(gauge.minValue(), -5);
}

TEST_F(Gauge, RepaintsOnlyWhenThePercentageChanges) {
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    gauge.setMaxValue(1000);
    gauge.show();
    QCoreApplication::processEvents();
    gauge.installEventFilter(&counter);
    auto paintsAfter = [&](int progress) {
        counter.paints = 0;
        gauge.setProgress(progress);
        QCoreApplication::processEvents();
        return counter.paints;
    };
    EXPECT_EQ(paintsAfter(5), 0);     // still 0%
    EXPECT_EQ(paintsAfter(10), 1);    // 1%
    EXPECT_EQ(paintsAfter(19), 0);    // still 1%
    EXPECT_EQ(paintsAfter(5000), 1);  // clamped: 100%
    EXPECT_EQ(paintsAfter(5000), 0);
    gauge.hide();
}

TEST(GaugeTooltip, LineBreakBytesShowAsOneBreak) {
    EXPECT_EQ(kodrix::TGauge::tooltipForDisplay(QString("a") + QChar(0x0A) + QChar(0x0D) + "b"), QString("a\nb"));
    EXPECT_EQ(kodrix::TGauge::tooltipForDisplay("a\r\nb\rc"), QString("a\nb\nc"));
    EXPECT_EQ(kodrix::TGauge::tooltipForDisplay("plain"), QString("plain"));
}
