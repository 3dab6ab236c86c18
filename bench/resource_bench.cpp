// Resource-module benchmark on the large generated catalogue:
//  1. in process: open the largest group module, load one game's 15 strings,
//     close it — the median over many runs (target: 1 ms or less);
//  2. whole processes: `kodrix-cli codes` against `wrestool -x -t 6` on the
//     same module, and the peak RSS of `kodrix-cli codes` against the
//     module's size (target: below 2×).
//
// usage: resource_bench CATALOGUE_DIR [KODRIX_CLI] [RUNS]
#include "catalogue/Discovery.h"
#include "catalogue/CatalogueNames.h"
#include "catalogue/GameEntry.h"
#include "catalogue/ResourceModule.h"
#include "catalogue/TextList.h"
#include "catalogue/Cp1251.h"
#include "BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>


namespace fs = std::filesystem;

using namespace kodrix::bench;

namespace {

struct Series {
    std::vector<double> millis;
    long maxRssKb = 0;
    bool failed = false;
};

Series runSeries(const std::vector<std::string>& argv, int runs) {
    Series s;
    runProcess(argv);  // warm the page cache
    for (int i = 0; i < runs; ++i) {
        const ProcessRun r = runProcess(argv);
        if (!r.ok()) s.failed = true;
        s.millis.push_back(r.millis);
        s.maxRssKb = std::max(s.maxRssKb, r.maxRssKb);
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: resource_bench CATALOGUE_DIR [KODRIX_CLI] [RUNS]\n";
        return 1;
    }
    const fs::path catalogue = argv[1];
    const std::string cli = argc > 2 ? argv[2] : "kodrix-cli";
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 30;

    // The largest group module of the catalogue.
    fs::path module;
    std::string platform, group;
    std::uintmax_t moduleBytes = 0;
    for (const std::string& p : kodrix::listPlatforms(catalogue).names) {
        const fs::path dir = kodrix::platformDir(catalogue, p);
        for (const std::string& g : kodrix::listLetterGroups(catalogue, p).names) {
            const fs::path dll = kodrix::platformFile(dir, kodrix::names::groupModule(g));
            std::error_code ec;
            const auto size = fs::file_size(dll, ec);
            if (!ec && size > moduleBytes) {
                moduleBytes = size;
                module = dll;
                platform = p;
                group = g;
            }
        }
    }
    if (module.empty()) {
        std::cerr << "no group module under " << catalogue << "\n";
        return 1;
    }
    const fs::path platformDir = kodrix::platformDir(catalogue, platform);
    // A game from the middle of the group, so its strings lie deep in the module.
    const auto games = kodrix::loadTextList(kodrix::platformFile(platformDir, kodrix::names::groupList(group)));
    const std::string game = games[games.size() / 2];
    const auto ini = kodrix::openGroupIni(platformDir, group);
    const std::int32_t begin = kodrix::readBegin(ini, game);

    std::printf("module: %s (%.1f MB), game \"%s\", strings %d..%d\n", module.c_str(),
                static_cast<double>(moduleBytes) / 1048576.0, kodrix::cp1251::toUtf8(game).c_str(), begin, begin + 14);

    // 1. In process: open, 15 strings, close.
    std::vector<double> micros;
    std::size_t bytes = 0;
    const int inProcessRuns = 1000;
    for (int i = 0; i < inProcessRuns; ++i) {
        const double start = nowMs();
        {
            const auto opened = kodrix::ResourceModule::open(module);
            if (!opened) {
                std::cerr << "cannot open " << module << "\n";
                return 1;
            }
            for (std::int32_t id = begin; id < begin + 15; ++id) bytes += opened->loadString(static_cast<std::uint32_t>(id)).size();
        }
        micros.push_back((nowMs() - start) * 1000.0);
    }
    std::printf("open + 15 strings + close: median %.1f us, p90 %.1f us, max %.1f us over %d runs (%zu bytes read)  [target <= 1000 us]\n",
                median(micros), percentile(micros, 0.9), *std::max_element(micros.begin(), micros.end()), inProcessRuns,
                bytes / inProcessRuns);

    // 2. Whole processes.
    const std::string platformUtf8 = kodrix::cp1251::toUtf8(platform);
    const std::string groupUtf8 = kodrix::cp1251::toUtf8(group);
    const std::string gameUtf8 = kodrix::cp1251::toUtf8(game);
    const Series codes = runSeries({cli, "--catalogue", catalogue.string(), "codes", platformUtf8, groupUtf8, gameUtf8}, runs);
    const Series wrestool = runSeries({"wrestool", "-x", "-t", "6", module.string()}, runs);
    if (codes.failed) std::printf("warning: kodrix-cli codes exited with an error\n");
    if (wrestool.failed) std::printf("warning: wrestool exited with an error (is icoutils installed?)\n");
    std::printf("kodrix-cli codes: median %.2f ms, p90 %.2f ms over %d runs\n", median(codes.millis),
                percentile(codes.millis, 0.9), runs);
    std::printf("wrestool -x -t 6: median %.2f ms, p90 %.2f ms over %d runs\n", median(wrestool.millis),
                percentile(wrestool.millis, 0.9), runs);
    const double ratio = static_cast<double>(codes.maxRssKb) * 1024.0 / static_cast<double>(moduleBytes);
    std::printf("kodrix-cli codes peak RSS: %ld KB = %.2f x module size  [target < 2x]\n", codes.maxRssKb, ratio);
    // What the process costs before it touches a module: the same program listing platforms.
    const Series baseline = runSeries({cli, "--catalogue", catalogue.string(), "platforms"}, 3);
    std::printf("kodrix-cli platforms peak RSS (process baseline, no module): %ld KB; codes above it: %ld KB\n",
                baseline.maxRssKb, codes.maxRssKb - baseline.maxRssKb);
    std::printf("wrestool peak RSS: %ld KB\n", wrestool.maxRssKb);
    row("kodrix-cli codes (largest module)", median(codes.millis), "ms", "wrestool -x -t 6", median(wrestool.millis));
    row("kodrix-cli codes, peak memory", static_cast<double>(codes.maxRssKb) / 1024.0, "MB", "the module's size",
        static_cast<double>(moduleBytes) / 1048576.0, "<2x");
    row("open + 15 strings + close (largest module)", median(micros) / 1000.0, "ms", "", 0, "<=1ms");
    return 0;
}
