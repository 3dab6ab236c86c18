#include "GraphPage.h"

#include "catalogue/PlatformStatistics.h"
#include "components/BarChart.h"
#include "platform/Text.h"
#include "ui/ErrorReport.h"

#include <QVBoxLayout>

namespace kodrix {

GraphPage::GraphPage(const std::filesystem::path& programDir, QWidget* parent)
    : QWidget(parent), programDir_(programDir) {
    setObjectName(QStringLiteral("graphik"));
    createControls();
}

void GraphPage::createControls() {
    Chart1 = new TBarChart(this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    TBarChart::Settings s;
    s.chart3DPercent = 20;
    s.horizOffset = 18;
    s.vertOffset = -3;
    s.marginLeft = 0;
    s.marginTop = 5;
    s.marginRight = 5;
    s.marginBottom = 5;
    s.backWallColor = Qt::white;
    s.leftWallColor = Qt::white;
    s.legendTopPos = 8;
    s.legendColorWidth = 10;
    s.legendHorizMargin = 1;
    s.marksArrowLength = 5;
    s.marksClip = true;
    s.barWidthPercent = 100;
    s.sideMargins = false;
    s.useYOrigin = false;
    Chart1->setSettings(s);
    Chart1->setTitle({QString()});  // one empty line; the totals stand on the second

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Chart1);
}

void GraphPage::BuildStatisticsChart(const std::vector<std::string>& platforms, int walkthroughCount) {
    StatisticsEvents events;
    events.noDatabase = [this](const std::string&) { reportNoDatabase(window()); };
    events.barAdded = [this](const StatisticsBar& bar) {
        const QColor colour(bar.colour & 0xFF, (bar.colour >> 8) & 0xFF, (bar.colour >> 16) & 0xFF);
        Chart1->addBar(fromCp1251(bar.label), static_cast<double>(bar.value), colour);
    };
    if (auto title = buildStatistics(programDir_, platforms, walkthroughCount, events))
        Chart1->addTitleLine(fromCp1251(*title));
    Chart1->update();
}

}  // namespace kodrix
