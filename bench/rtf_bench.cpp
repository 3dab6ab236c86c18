// Walkthrough document benchmark on a generated 1 MB Russian RTF (headings,
// formatted paragraphs, links, a table per chapter):
//  1. in process: opening it in a rich-text view (reading rule, document
//     built, links found, first screen laid out and painted) — median and
//     p90 (target: 150 ms or less); and the Qt-free conversion to plain text;
//  2. whole processes on the same bytes: rtf_plaintext (the plain-text
//     conversion the terminal tool uses) against `unrtf --text` (target: ours
//     no slower), and the start-up of kodrix-cli (it loads no Qt).
//
// usage: rtf_bench OUT_RTF [RTF_PLAINTEXT] [KODRIX_CLI] [RUNS]
//        rtf_bench --write KB OUT_RTF   (only writes a document of about KB kilobytes)
#include "BenchSupport.h"
#include "WalkthroughRtf.h"
#include "platform/richedit/RichEditView.h"
#include "platform/richedit/RtfReader.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace kodrix::bench;

namespace {

double processSeries(const char* label, const std::vector<std::string>& argv, int runs, bool mustSucceed = true) {
    bool failed = false;
    runProcess(argv);  // warm the page cache
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const ProcessRun run = runProcess(argv);
        failed |= !run.ok();
        ms.push_back(run.millis);
    }
    std::printf("%s: median %.2f ms, p90 %.2f ms over %d runs%s\n", label, median(ms), percentile(ms, 0.9), runs,
                failed && mustSucceed ? "  (warning: it exited with an error)" : "");
    return median(ms);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write") {
        const std::string rtf = walkthroughRtf(static_cast<std::size_t>(std::max(1, std::atoi(argv[2]))) << 10);
        std::ofstream(argv[3], std::ios::binary).write(rtf.data(), static_cast<std::streamsize>(rtf.size()));
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: rtf_bench OUT_RTF [RTF_PLAINTEXT] [KODRIX_CLI] [RUNS]\n");
        return 1;
    }
    const std::string rtfPath = argv[1];
    const std::string helper = argc > 2 ? argv[2] : "";
    const std::string cli = argc > 3 ? argv[3] : "";
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 30;

    const std::string rtf = kodrix::bench::walkthroughRtf(1 << 20);
    std::ofstream(rtfPath, std::ios::binary).write(rtf.data(), static_cast<std::streamsize>(rtf.size()));
    const kodrix::rtf::Bytes bytes(reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size());
    const auto text = kodrix::rtf::documentPlainText(bytes);
    std::printf("document: %s, %.2f MB of RTF, %zu characters of text\n", rtfPath.c_str(),
                static_cast<double>(rtf.size()) / 1048576.0, text ? text->size() : 0);

    // 1. In process.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kodrix::RichEditView view;
    view.setAutoUrlDetect(true);
    view.resize(700, 500);
    view.show();
    QApplication::processEvents();
    const int loads = 20;
    std::vector<double> loadMs;
    for (int i = 0; i < loads + 1; ++i) {
        view.clearLines();
        QApplication::processEvents();
        const double start = nowMs();
        view.loadFromStream(QByteArrayView(rtf.data(), static_cast<qsizetype>(rtf.size())));
        view.viewport()->repaint();
        const double ms = nowMs() - start;
        if (i > 0) loadMs.push_back(ms);  // the first run warms fonts and caches
    }
    std::printf("open in the view (read, build, links, first paint): median %.1f ms, p90 %.1f ms over %d runs  "
                "[target <= 150 ms]\n",
                median(loadMs), percentile(loadMs, 0.9), loads);

    std::vector<double> plainMs;
    for (int i = 0; i < 50; ++i) {
        const double start = nowMs();
        const auto t = kodrix::rtf::documentPlainText(bytes);
        plainMs.push_back(nowMs() - start);
        if (!t) return 1;
    }
    std::printf("plain text without Qt: median %.1f ms, p90 %.1f ms over 50 runs\n", median(plainMs),
                percentile(plainMs, 0.9));

    row("walkthrough document opened in the view (1 MB RTF)", median(loadMs), "ms", "its plain text without Qt",
        median(plainMs), "<=150ms");

    // 2. Whole processes.
    double plainProcess = 0;
    if (!helper.empty()) plainProcess = processSeries("rtf_plaintext FILE", {helper, rtfPath}, runs);
    bool noUnrtf = false;
    noUnrtf = !runProcess({"unrtf", "--version"}).ok();
    if (noUnrtf) std::printf("(unrtf not installed: no comparison)\n");
    else if (const double unrtf = processSeries("unrtf --text FILE", {"unrtf", "--text", rtfPath}, runs); plainProcess > 0)
        row("1 MB RTF to plain text, whole process", plainProcess, "ms", "unrtf --text", unrtf, "<=1x");
    if (!cli.empty())
        processSeries("kodrix-cli start-up (prints its usage)", {cli}, runs, false);
    return 0;
}
