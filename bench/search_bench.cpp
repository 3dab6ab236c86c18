// Timings of the search page and the chart build on a catalogue (normally the
// large generated one):
// - a search on the platform with the most games, end to end through the page
//   as the user starts it (the page shown offscreen, the event pump running):
//   a typical query and the empty query, which lists every name;
//   each beside the floor of reading the platform's lists, and the window's
//   peak memory over the empty-query runs beside the lists' size;
// - what the event pump costs a run: its calls alone, as many as a run makes;
// - the chart build over every platform of the catalogue, beside the floor of
//   reading the same ".dat" files' bytes.
//   search_bench CATALOGUE_DIR [QUERY] [RUNS]
#include "BenchSupport.h"
#include "catalogue/CatalogueFs.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "components/BarChart.h"
#include "platform/EventPump.h"
#include "platform/SortedViews.h"
#include "platform/MemoryReuse.h"
#include "platform/dialogs/Dialogs.h"
#include "search/FindPage.h"
#include "search/GraphPage.h"
#include "search/WorkList.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace kodrix;

using namespace kodrix::bench;

namespace {

std::vector<std::filesystem::path> datFiles(const std::filesystem::path& platform) {
    std::vector<std::filesystem::path> out;
    if (auto files = listFilesWithExtension(platform, ".dat"))
        for (const auto& f : *files) out.push_back(f.path);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    keepFreedMemoryForReuse();  // as the program does, first thing
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: search_bench CATALOGUE_DIR [QUERY] [RUNS]\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const QString typical = QString::fromUtf8(argc > 2 ? argv[2] : "racer");
    const int runs = argc > 3 ? std::max(3, std::atoi(argv[3])) : 15;
    dialogs::DialogScript quiet;  // no modal boxes in a benchmark

    std::string biggest;
    std::uint64_t most = 0;
    for (const auto& p : listPlatforms(dir).names) {
        auto n = countPlatformCodes(platformDir(dir, p)).total;
        if (n > most) most = n, biggest = p;
    }

    QTabWidget window;
    auto* find = new FindPage(dir);
    window.addTab(new QWidget, "Коды");
    window.addTab(find, "Поиск");
    window.resize(708, 545);
    window.show();
    window.setCurrentWidget(find);
    find->listPlatforms();
    find->base2->selectIndex(find->base2->list()->indexOf(cp1251::upper(biggest)));
    QApplication::processEvents();

    auto run = [&](const QString& query) {
        find->Edit1->setText(query);
        find->SpeedButton1Click();
    };
    const std::vector<std::filesystem::path> lists = datFiles(platformDir(dir, biggest));
    std::uintmax_t listBytes = 0;
    for (const auto& f : lists) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(f, ec);
        listBytes += ec ? 0 : size;
    }
    auto floor = [&] { readAll(lists); };
    const auto [typicalMs, floorMs] = medianPairMs(runs, [&] { run(typical); }, floor);
    const int typicalFound = find->TextListBox1->list()->count();
    resetPeakMemory();
    const auto [emptyMs, emptyFloorMs] = medianPairMs(std::max(3, runs / 2), [&] { run(QString()); }, floor);
    const long emptyPeakKb = peakMemoryKb();
    const int emptyFound = find->TextListBox1->list()->count();
    const int candidates = find->candidateList()->count();

    // The pump's share: its calls alone, three per candidate and one per group.
    const double pumpMs = medianMs(std::max(3, runs / 2), [&] {
        for (int i = 0; i < 3 * candidates + 36; ++i) processPendingEvents();
    });

    std::printf("platform %s: %llu games\n", biggest.c_str(), static_cast<unsigned long long>(most));
    std::printf("search \"%s\"        %8.1f ms  (%d found; floor: reading the lists %5.1f ms)\n",
                typical.toUtf8().constData(), typicalMs, typicalFound, floorMs);
    std::printf("search, empty query %8.1f ms  (%d found; floor %5.1f ms)\n", emptyMs, emptyFound, emptyFloorMs);
    std::printf("event pump alone    %8.1f ms  for %d calls, as in the empty-query run\n", pumpMs, 3 * candidates + 36);

    // The chart over every platform, in the platform list's order.
    SortedStringList base;
    base.setUpperCase(true);
    base.assign(listPlatforms(dir).names);
    const std::vector<std::string> platforms = base.items();
    int walkthroughs = 0;
    std::vector<std::filesystem::path> allDats;
    for (const auto& p : platforms) {
        auto files = datFiles(platformDir(dir, p));
        allDats.insert(allDats.end(), files.begin(), files.end());
    }
    if (auto sol = findEntry(dir, "sol", EntryKind::Directory)) {
        if (auto modules = listFilesWithExtension(*sol, ".dll")) walkthroughs = static_cast<int>(modules->size());
    }
    int bars = 0;
    const auto [chartMs, chartFloorMs] = medianPairMs(
        runs,
        [&] {
            GraphPage page(dir);
            page.BuildStatisticsChart(platforms, walkthroughs);
            bars = static_cast<int>(page.Chart1->bars().size());
        },
        [&] { readAll(allDats); });
    std::printf("chart build         %8.1f ms  (%d bars, %zu lists; floor: reading them %5.1f ms; beyond it %5.1f ms)\n",
                chartMs, bars, allDats.size(), chartFloorMs, chartMs - chartFloorMs);

    const std::string quoted = "\"" + typical.toStdString() + "\"";
    row("search page, " + quoted + " (" + std::to_string(typicalFound) + " found)", typicalMs, "ms",
        "reading the platform's lists", floorMs, "<=300ms");
    row("search page, empty query (" + std::to_string(emptyFound) + " found)", emptyMs, "ms",
        "reading the platform's lists", emptyFloorMs, "<=1000ms");
    row("window peak memory over the empty-query searches", static_cast<double>(emptyPeakKb) / 1024.0, "MB",
        "the platform's lists on disk", static_cast<double>(listBytes) / 1048576.0);
    row("chart build, every platform", chartMs, "ms", "reading the same lists", chartFloorMs);
    return 0;
}
