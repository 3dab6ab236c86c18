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
#include "tools/pack/Generator.h"
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


// A small deterministic generator (the same document on every run).
struct Random {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
};

// cp1251 syllables, written as RTF hex escapes.
const char* const kSyllables[] = {"\xEF\xF0\xEE", "\xF5\xEE", "\xE6\xE4\xE5", "\xED\xE8", "\xE5", "\xE3\xE5",
                                  "\xF0\xEE\xE9", "\xEA\xE0", "\xF0\xF2\xE0", "\xF3\xF0\xEE", "\xE2\xE5\xED",
                                  "\xEC\xE5\xF7", "\xE7\xE0", "\xEC\xEE\xEA", "\xE1\xEE\xF1\xF1", "\xF3\xF1"};


std::string walkthroughRtf(std::size_t targetBytes) {
    Random rng;
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}"
        "{\\f1\\froman\\fcharset204 Times New Roman;}}"
        "{\\colortbl ;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green96\\blue160;}\r\n"
        "\\uc1\\pard\\qc\\sa240\\f0\\fs20{\\b\\fs32\\cf3 ";
    kodrix::pack::appendRtfText(rtf, "\xCF\xF0\xEE\xF5\xEE\xE6\xE4\xE5\xED\xE8\xE5");
    rtf += "}\\par\r\n";
    int chapter = 1, link = 1;
    while (rtf.size() < targetBytes) {
        rtf += "\\pard\\sb240\\sa120{\\b\\fs26 ";
        kodrix::pack::appendRtfText(rtf, "\xC3\xEB\xE0\xE2\xE0 " + std::to_string(chapter++));
        rtf += "}\\par\r\n";
        for (int p = 3 + rng.below(4); p > 0; --p) {
            rtf += "\\pard\\fi360\\sa120\\qj ";
            for (int w = 30 + rng.below(40); w > 0; --w) {
                std::string word;
                for (int s = 1 + rng.below(3); s > 0; --s) word += kSyllables[rng.below(16)];
                const int style = rng.below(40);
                if (style == 0) rtf += "{\\b ";
                else if (style == 1) rtf += "{\\i ";
                else if (style == 2) rtf += "{\\cf2\\ul ";
                else if (style == 3) rtf += "{\\f1\\fs24 ";
                kodrix::pack::appendRtfText(rtf, word);
                if (style < 4) rtf += "}";
                rtf += rng.below(9) ? " " : (rng.below(2) ? ". " : "\\emdash  ");
            }
            rtf += "\\par\r\n";
            if (rng.below(3) == 0) {
                rtf += "\\pard ";
                kodrix::pack::appendRtfText(rtf, "\xD1\xEA\xF0\xE8\xED\xF8\xEE\xF2: ");
                rtf += "www." + std::to_string(link++) + "\\par\r\n";
            }
        }
        rtf += "\\trowd\\cellx3000\\cellx6000\\pard\\intbl ";
        kodrix::pack::appendRtfText(rtf, "\xCA\xEE\xE4");
        rtf += "\\cell ";
        kodrix::pack::appendRtfText(rtf, "\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2");
        rtf += "\\cell\\row\r\n";
    }
    rtf += "}";
    return rtf;
}

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

    const std::string rtf = walkthroughRtf(1 << 20);
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
