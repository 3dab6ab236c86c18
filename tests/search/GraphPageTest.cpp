#include "search/GraphPage.h"

#include "catalogue/PlatformStatistics.h"
#include "components/BarChart.h"
#include "platform/dialogs/Dialogs.h"
#include "support/CatalogueFixture.h"
#include "support/Hostile.h"
#include "ui/ErrorReport.h"

#include <QImage>
#include <QLayout>
#include <gtest/gtest.h>

using namespace kodrix;

namespace {

std::string lines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "Game " + std::to_string(i) + "\r\n";
    return s;
}

struct ShownBar {
    QString label;
    double value;
    bool operator==(const ShownBar&) const = default;
};

std::vector<ShownBar> shown(const TBarChart& chart) {
    std::vector<ShownBar> out;
    for (const auto& b : chart.bars()) out.push_back({b.label, b.value});
    return out;
}

class GraphPageTest : public testing::Test {
protected:
    test::CatalogueFixture cat;
    dialogs::DialogScript script;
    std::unique_ptr<GraphPage> page = std::make_unique<GraphPage>(cat.dir.path());
    TBarChart& chart() { return *page->Chart1; }
};

}  // namespace

TEST_F(GraphPageTest, ChartChoosesTheDisplaySettingsOfThePage) {
    EXPECT_EQ(page->objectName(), "graphik");
    const TBarChart::Settings& s = chart().settings();
    EXPECT_EQ(std::vector<int>({s.chart3DPercent, s.horizOffset, s.vertOffset, s.marginLeft, s.marginTop,
                                s.marginRight, s.marginBottom, s.legendTopPos, s.legendColorWidth,
                                s.legendHorizMargin, s.marksArrowLength, s.barWidthPercent}),
              std::vector<int>({20, 18, -3, 0, 5, 5, 5, 8, 10, 1, 5, 100}));
    EXPECT_EQ(s.backWallColor, QColor(Qt::white));
    EXPECT_EQ(s.leftWallColor, QColor(Qt::white));
    EXPECT_TRUE(s.marksClip);
    EXPECT_FALSE(s.sideMargins);
    EXPECT_FALSE(s.useYOrigin);
    EXPECT_EQ(chart().title(), QStringList{""});
    EXPECT_TRUE(chart().bars().empty());
}

TEST_F(GraphPageTest, OneBarPerPlatformAndTheTotalsLine) {
    cat.platform("PC");
    cat.file("PC/A.dat", lines(40));
    cat.file("PC/B.dat", lines(60));
    cat.platform("PS2");
    cat.file("PS2/M.dat", lines(250));
    page->BuildStatisticsChart({"PC", "PS2"}, 7);
    EXPECT_EQ(shown(chart()), (std::vector<ShownBar>{{"PC", 100}, {"PS2", 250}}));
    EXPECT_EQ(chart().legendRows(), (QStringList{"100 PC", "250 PS2"}));
    EXPECT_EQ(chart().title(), (QStringList{"", "Кодов всего: 350 шт. Прохождений: 7 шт."}));
    for (const auto& b : chart().bars()) EXPECT_TRUE(b.colour.red() <= 254 && b.colour.green() <= 254 && b.colour.blue() <= 254);
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(GraphPageTest, OnePlatformGivesAnEmptyChartAndNoneStillTheTotals) {
    cat.platform("PC");
    cat.file("PC/A.dat", lines(3));
    page->BuildStatisticsChart({"PC"}, 7);
    EXPECT_TRUE(chart().bars().empty());
    EXPECT_EQ(chart().title(), QStringList{""});

    GraphPage none(cat.dir.path());
    none.BuildStatisticsChart({}, 0);
    EXPECT_TRUE(none.Chart1->bars().empty());
    EXPECT_EQ(none.Chart1->title(), (QStringList{"", "Кодов всего: 0 шт. Прохождений: 0 шт."}));
}

TEST_F(GraphPageTest, PlatformWithoutListsIsReportedOnceAndCountsZero) {
    cat.platform("Empty");
    cat.platform("PC");
    cat.file("PC/A.dat", lines(1234));
    page->BuildStatisticsChart({"EMPTY", "PC"}, 2);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, QString("Не найдено ни одной базы"));
    EXPECT_EQ(shown(chart()), (std::vector<ShownBar>{{"EMPTY", 0}, {"PC", 1234}}));
    EXPECT_EQ(chart().legendRows(), (QStringList{" EMPTY", "1234 PC"}));
    EXPECT_EQ(chart().title().last(), "Кодов всего: 1234 шт. Прохождений: 2 шт.");
}

TEST_F(GraphPageTest, UnreadableListStopsTheBuildWithTheBarsSoFar) {
    cat.platform("A1");
    cat.file("A1/A.dat", lines(5));
    cat.platform("B2");
    if (!test::makeUnreadableFile(cat.dir.path() / "B2/B.dat", "x\r\n")) GTEST_SKIP() << "no unreadable file can be made here";
    cat.platform("C3");
    cat.file("C3/C.dat", lines(2));
    EXPECT_FALSE(guarded(page.get(), [&] { page->BuildStatisticsChart({"A1", "B2", "C3"}, 1); }));
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_TRUE(script.messages[0].text.startsWith("Cannot open file \""));
    EXPECT_EQ(shown(chart()), (std::vector<ShownBar>{{"A1", 5}}));
    EXPECT_EQ(chart().title(), QStringList{""});
}

TEST(BarColour, EveryChannelRunsFromZeroTo254) {
    int highest[3] = {0, 0, 0}, lowest[3] = {255, 255, 255};
    for (std::uint64_t seed = 0; seed < 20000; ++seed) {
        const std::uint32_t c = barColour(seed);
        EXPECT_EQ(c >> 24, 0u);
        for (int k = 0; k < 3; ++k) {
            const int channel = static_cast<int>((c >> (8 * k)) & 0xFF);
            highest[k] = std::max(highest[k], channel);
            lowest[k] = std::min(lowest[k], channel);
        }
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(highest[k], 254) << k;
        EXPECT_EQ(lowest[k], 0) << k;
    }
    EXPECT_NE(clockSeed(), clockSeed());
}

TEST(BarChart, ValuesAreWholeNumbersWithoutGroupingAndZeroIsEmpty) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{0, ""}, {0.4, ""}, {1, "1"}, {1234, "1234"}, {1234567, "1234567"}, {99.5, "100"}, {-3, "-3"}};
    for (const auto& c : cases) EXPECT_EQ(TBarChart::formatValue(c.value), QString(c.text)) << c.value;
}

TEST_F(GraphPageTest, DrawingShowsTouchingBarsWithMarksAndNoAxes) {
    TBarChart& c = chart();
    QPalette pal = c.palette();
    pal.setColor(QPalette::Window, QColor(0x33, 0x66, 0x99));
    c.setPalette(pal);
    page->resize(700, 450);
    page->layout()->activate();  // the chart fills the page
    ASSERT_EQ(c.size(), QSize(700, 450));
    c.addBar("ZERO", 0, QColor(200, 30, 30));
    c.addBar("MID", 500, QColor(30, 160, 30));
    c.addBar("TOP", 1000, QColor(30, 30, 200));
    const QImage img = c.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb background = qRgb(0x33, 0x66, 0x99);
    const TBarChart::Layout L = c.layout();
    ASSERT_EQ(L.barFronts.size(), 3u);

    // Bars fill the front plane edge to edge, touching each other.
    EXPECT_EQ(L.barFronts[0].left(), L.front.left());
    EXPECT_EQ(L.barFronts[2].left() + L.barFronts[2].width(), L.front.left() + L.front.width());
    for (int i = 0; i + 1 < 3; ++i) EXPECT_EQ(L.barFronts[i].left() + L.barFronts[i].width(), L.barFronts[i + 1].left());
    const int y = L.barFronts[1].top() + 5;  // inside the two taller bars
    for (int x = L.barFronts[1].left() + 1; x < L.barFronts[2].left() + L.barFronts[2].width() - 1; ++x) {
        const QRgb p = img.pixel(x, y);
        ASSERT_TRUE(p != background && p != qRgb(255, 255, 255)) << x;
    }
    // The smallest value stands at the bottom of the scale.
    EXPECT_EQ(L.barFronts[0].height(), 0);
    EXPECT_GT(L.barFronts[2].height(), L.barFronts[1].height());

    // Marks over the two bars with a value, with text in them; none for 0.
    EXPECT_TRUE(L.marks[0].isNull());
    for (int i = 1; i < 3; ++i) {
        const QRect m = L.marks[static_cast<std::size_t>(i)];
        ASSERT_FALSE(m.isNull());
        EXPECT_TRUE(L.plot.contains(m)) << i;
        int dark = 0;
        for (int x = m.left() + 2; x < m.right() - 1; ++x)
            for (int yy = m.top() + 2; yy < m.bottom() - 1; ++yy) dark += qGray(img.pixel(x, yy)) < 100;
        EXPECT_GT(dark, 5) << i;
    }
    const QRect aboveZero(L.barFronts[0].left() + L.depth + 1, L.plot.top() + 1, L.barFronts[0].width() - L.depth - 2,
                          L.barFronts[0].top() - L.depth - L.plot.top() - 3);
    for (int x = aboveZero.left(); x <= aboveZero.right(); ++x)
        for (int yy = aboveZero.top(); yy <= aboveZero.bottom(); ++yy)
            ASSERT_EQ(img.pixel(x, yy), qRgb(255, 255, 255)) << x << "," << yy;  // only the white back wall

    // No axes: nothing drawn below the floor nor between legend and plot.
    for (int x = 0; x < img.width(); ++x)
        for (int yy = L.front.bottom() + 2; yy < img.height(); ++yy) ASSERT_EQ(img.pixel(x, yy), background) << x << "," << yy;
    for (int x = L.legend.right() + 4; x < L.plot.left(); ++x)
        for (int yy = L.plot.top(); yy < L.front.bottom(); ++yy) ASSERT_EQ(img.pixel(x, yy), background) << x << "," << yy;

    // The legend: a row per bar with a swatch of its colour.
    ASSERT_EQ(L.legendRowsShown, 3);
    EXPECT_EQ(L.legend.top(), 450 * 8 / 100);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(img.pixel(L.legendSwatches[i].center()), c.bars()[i].colour.rgb()) << i;
}
