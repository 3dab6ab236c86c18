// Two whole processes timed in turns (the action, then its baseline, RUNS
// times, after one warm-up run of each, stdout and stderr to /dev/null): the
// median wall time of each, and with --memory their peak memory, printed as
// rows of the performance table.
//
// usage: process_compare [--runs N] [--target T] [--memory [--memory-target T]]
//                        ACTION BASELINE -- COMMAND... -- BASELINE_COMMAND...
// A target is "<=16ms", "<=1x" (of the ratio) or empty.
#include "../BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace kodrix::bench;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: process_compare [--runs N] [--target T] [--memory [--memory-target T]]\n"
                 "                       ACTION BASELINE -- COMMAND... -- BASELINE_COMMAND...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 10;
    bool memory = false;
    std::string target, memoryTarget;
    std::vector<std::string> names;
    std::vector<std::string> commands[2];
    int part = -1;  // -1: options and names, then the two commands
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--" && part < 1) {
            ++part;
        } else if (part >= 0) {
            commands[part].push_back(arg);
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--target" && i + 1 < argc) {
            target = argv[++i];
        } else if (arg == "--memory") {
            memory = true;
        } else if (arg == "--memory-target" && i + 1 < argc) {
            memoryTarget = argv[++i];
        } else {
            names.push_back(arg);
        }
    }
    if (names.size() != 2 || commands[0].empty() || commands[1].empty()) return usage();

    std::vector<double> ms[2];
    long peakKb[2] = {0, 0};
    bool failed[2] = {false, false};
    for (int i = -1; i < runs; ++i) {  // run -1 warms the page cache and is not counted
        for (int k = 0; k < 2; ++k) {
            const ProcessRun r = runProcess(commands[k]);
            failed[k] |= !r.ok();
            if (i < 0) continue;
            ms[k].push_back(r.millis);
            peakKb[k] = std::max(peakKb[k], r.maxRssKb);
        }
    }
    for (int k = 0; k < 2; ++k)
        std::printf("%s: median %.2f ms, p90 %.2f ms over %d runs, peak %ld KB%s\n", names[static_cast<std::size_t>(k)].c_str(),
                    median(ms[k]), percentile(ms[k], 0.9), runs, peakKb[k],
                    failed[k] ? "  (warning: it exited with an error)" : "");
    row(names[0], median(ms[0]), "ms", names[1], median(ms[1]), target);
    if (memory)
        row(names[0] + ", peak memory", static_cast<double>(peakKb[0]) / 1024.0, "MB", names[1],
            static_cast<double>(peakKb[1]) / 1024.0, memoryTarget);
    return failed[0] || failed[1] ? 1 : 0;
}
