// The game search at its worst query: a platform of 20 names of a megabyte
// of one letter, and a query of 30,001 letters that agrees with each name up
// to its last letter, against a query of 5 letters of the same shape. Both
// in kodrix-cli search and in the search page's run, each in a process of its
// own under a watchdog: a run past the limit is stopped and reported as
// such (the figure is then the limit). A search that takes time linear in
// the names whatever the query makes the two alike.
//   long_query_bench KODRIX_CLI [LIMIT_SECONDS] [RUNS]
#include "BenchSupport.h"
#include "browser/CodePage.h"
#include "platform/dialogs/Dialogs.h"
#include "search/FindPage.h"

#include <QApplication>
#include <QLineEdit>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

using namespace kodrix;
using namespace kodrix::bench;
namespace fs = std::filesystem;

namespace {

// The search page's run on the platform, as the user starts it.
int windowSearch(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dialogs::DialogScript quiet;
    CodePage code(argv[2]);
    FindPage find(argv[2], &code);
    find.listPlatforms();
    find.Edit1->setText(QString::fromLatin1(argv[3]));
    find.SpeedButton1Click();
    return 0;
}

struct Figure {
    double ms = 0;
    bool stopped = false;
};

Figure series(const std::vector<std::string>& argv, double limit, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const ProcessRun r = runProcess(argv, limit);
        if (r.timedOut) return {limit * 1000, true};  // once is enough
        ms.push_back(r.millis);
    }
    return {median(ms), false};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--window") return windowSearch(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: long_query_bench KODRIX_CLI [LIMIT_SECONDS] [RUNS]\n");
        return 2;
    }
    const std::string cli = argv[1];
    const double limit = argc > 2 ? std::atof(argv[2]) : 120;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;

    char tmpl[] = "/tmp/kodrix-long-query-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const fs::path dir = tmpl;
    fs::create_directories(dir / "Long");
    std::ofstream(dir / "Long" / "base.ini").put('\n');
    {
        std::ofstream list(dir / "Long" / "A.dat", std::ios::binary);
        const std::string name(std::size_t(1) << 20, 'a');
        for (int i = 0; i < 20; ++i) list << name << "\r\n";
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    const std::string hostile = std::string(30000, 'a') + "b", plain = "aaaab";

    const Figure cliLong = series({cli, "--catalogue", dir.string(), "search", "Long", hostile}, limit, runs);
    const Figure cliShort = series({cli, "--catalogue", dir.string(), "search", "Long", plain}, limit, runs);
    const Figure pageLong = series({self, "--window", dir.string(), hostile}, limit, runs);
    const Figure pageShort = series({self, "--window", dir.string(), plain}, limit, runs);
    fs::remove_all(dir);

    auto show = [&](const char* what, const Figure& f, const Figure& base) {
        if (f.stopped) std::printf("%s: stopped by the watchdog after %.0f s\n", what, limit);
        else std::printf("%s: median %.1f ms (5-letter query %.1f ms)\n", what, f.ms, base.ms);
    };
    show("kodrix-cli search, a 30,001-letter query over 20 names of 1 MB", cliLong, cliShort);
    show("search page, the same", pageLong, pageShort);
    row("kodrix-cli search, 30,001-letter query, 20 names of 1 MB", cliLong.ms, "ms", "the same, 5-letter query",
        cliShort.ms, "<=2x");
    row("search page, 30,001-letter query, 20 names of 1 MB", pageLong.ms, "ms", "the same, 5-letter query",
        pageShort.ms, "<=2x");
    return 0;
}
