// kodrix-cli grep over a whole library (normally the large generated one),
// whole processes, beside the floor of reading the same group modules' bytes
// in the same run:
//  - a typical pattern and the empty one (every code line, the most output);
//  - the peak memory of the process against the largest module.
// Besides the wall time, the process's CPU time (all threads) is given: on a
// busy machine it tells what the run costs when the wall time cannot.
//
// usage: grep_bench CATALOGUE_DIR KODRIX_CLI [RUNS] [PATTERN]
#include "BenchSupport.h"
#include "catalogue/CatalogueNames.h"
#include "catalogue/Discovery.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kodrix::bench;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: grep_bench CATALOGUE_DIR KODRIX_CLI [RUNS] [PATTERN]\n");
        return 2;
    }
    const fs::path catalogue = argv[1];
    const std::string cli = argv[2];
    const int runs = std::clamp(argc > 3 ? std::atoi(argv[3]) : 10, 1, 10);
    const std::string typical = argc > 4 ? argv[4] : "бессмертие";

    // The group modules grep reads: every letter group of every platform.
    std::vector<fs::path> modules;
    std::uintmax_t total = 0, largest = 0;
    for (const std::string& platform : kodrix::listPlatforms(catalogue).names) {
        const fs::path dir = kodrix::platformDir(catalogue, platform);
        for (const std::string& group : kodrix::listLetterGroups(catalogue, platform).names) {
            const fs::path module = kodrix::platformFile(dir, kodrix::names::groupModule(group));
            std::error_code ec;
            const auto size = fs::file_size(module, ec);
            if (ec) continue;
            modules.push_back(module);
            total += size;
            largest = std::max(largest, size);
        }
    }
    if (modules.empty()) {
        std::fprintf(stderr, "no group module under %s\n", catalogue.c_str());
        return 1;
    }
    std::printf("modules: %zu files, %.1f MB, the largest %.1f MB\n", modules.size(),
                static_cast<double>(total) / 1048576.0, static_cast<double>(largest) / 1048576.0);

    readAll(modules);  // warm the page cache
    const double floorMs = medianMs(runs, [&] { readAll(modules); });
    std::printf("floor: reading the modules' bytes        %8.1f ms\n", floorMs);

    long peakKb = 0;
    for (const std::string& pattern : {typical, std::string()}) {
        const std::vector<std::string> argv{cli, "--catalogue", catalogue.string(), "grep", pattern};
        runProcess(argv);  // warm
        std::vector<double> ms, cpu;
        bool failed = false;
        for (int i = 0; i < runs; ++i) {
            const ProcessRun r = runProcess(argv);
            failed = failed || !r.ok();
            ms.push_back(r.millis);
            cpu.push_back(r.cpuMillis);
            peakKb = std::max(peakKb, r.maxRssKb);
        }
        const std::string label = pattern.empty() ? "grep \"\" (every line)" : "grep \"" + pattern + "\"";
        std::printf("%-40s %8.1f ms  p90 %8.1f ms  %5.2f x floor  [target: within 1000 ms]%s\n", label.c_str(),
                    median(ms), percentile(ms, 0.9), median(ms) / floorMs, failed ? "  (exited with an error)" : "");
        std::printf("%-40s %8.1f ms CPU (all threads)\n", "", median(cpu));
    }
    std::printf("grep peak RSS: %.1f MB = %.2f x the largest module\n", static_cast<double>(peakKb) / 1024.0,
                static_cast<double>(peakKb) * 1024.0 / static_cast<double>(largest));
    return 0;
}
