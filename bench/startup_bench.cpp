// Start-up to the first shown main window: the program itself, started on a
// catalogue with the probe loaded into it (bench/tools/startup_probe.cpp ends
// it right after the window's first paint), timed from spawn to exit; beside
// the same program started on a baseline catalogue (the demo), in turns.
// Each program file lies in its catalogue's folder, as the program expects.
// Settings and the single-instance lock go to a folder of the run's own.
//   startup_bench PROBE.so PROGRAM BASELINE_PROGRAM [RUNS]
#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

using namespace kodrix::bench;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: startup_bench PROBE.so PROGRAM BASELINE_PROGRAM [RUNS]\n");
        return 2;
    }
    const int runs = argc > 4 ? std::max(3, std::atoi(argv[4])) : 15;
    char tmpl[] = "/tmp/kodrix-startup-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    ::setenv("XDG_CONFIG_HOME", tmpl, 1);
    ::setenv("XDG_RUNTIME_DIR", tmpl, 1);
    ::setenv("LD_PRELOAD", std::filesystem::absolute(argv[1]).c_str(), 1);
    if (const char* p = std::getenv("QT_QPA_PLATFORM"); !p || !*p) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::vector<double> ms[2];
    long peakKb[2] = {0, 0};
    bool failed = false;
    for (int i = -1; i < runs; ++i) {  // run -1 warms the page cache and is not counted
        for (int k = 0; k < 2; ++k) {
            const ProcessRun r = runProcess({argv[2 + k]});
            failed |= !r.ok();
            if (i < 0) continue;
            ms[k].push_back(r.millis);
            peakKb[k] = std::max(peakKb[k], r.maxRssKb);
        }
    }
    std::filesystem::remove_all(tmpl);
    std::printf("start-up to the first shown window: median %.1f ms (peak %ld KB); baseline %.1f ms (peak %ld KB)"
                " over %d runs, %s%s\n",
                median(ms[0]), peakKb[0], median(ms[1]), peakKb[1], runs, std::getenv("QT_QPA_PLATFORM"),
                failed ? "  (warning: a start did not show the window)" : "");
    row("start-up to the first shown window", median(ms[0]), "ms", "the same on the demo catalogue", median(ms[1]),
        "<=1.2x");
    row("start-up, peak memory", static_cast<double>(peakKb[0]) / 1024.0, "MB", "the same on the demo catalogue",
        static_cast<double>(peakKb[1]) / 1024.0);
    return failed ? 1 : 0;
}
