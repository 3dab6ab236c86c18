#pragma once
// The "График" page: one bar per platform with its number of game names,
// each in a colour of its own, and a title line with the totals of codes and
// walkthroughs. Built once at start-up, never refreshed.
#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

namespace kodrix {

class TBarChart;

class GraphPage : public QWidget {
    Q_OBJECT
public:
    explicit GraphPage(const std::filesystem::path& programDir, QWidget* parent = nullptr);

    // The chart, filling the page; its only series is its bars.
    TBarChart* Chart1 = nullptr;

    // Its part of the creation step, the last one: the platforms in the
    // order of the code page's platform list, and the number of
    // walkthroughs listed. Nothing with exactly one platform. A platform
    // without lists reports "Не найдено ни одной базы" and gets a zero bar.
    // A list that cannot be read throws its file error: the bars counted so
    // far stay and no title line is added.
    void BuildStatisticsChart(const std::vector<std::string>& platformsInBaseOrder, int walkthroughCount);

private:
    void createControls();

    std::filesystem::path programDir_;
};

}  // namespace kodrix
