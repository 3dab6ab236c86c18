// Documents that once froze or bloated the window, each opened in a child
// process of its own under a watchdog (a child that has not answered within
// the limit is ended and reported as stopped):
//   word        one word of a million letters (1 MB)
//   fonts       32,000 distinct font names, each applied once (about 1 MB)
//   lines       800,000 \line in one paragraph (5.6 MB)
//   pictures    20 PNG pictures of 5000 x 5000 pixels
//   codepages   7.4 MB and 15 MB naming a distinct code page per font
//   walkthrough-10MB, big, largest   walkthroughs of 10 MB, 48 MB and the
//               largest accepted, 64 MB (formatted paragraphs, links, a table
//               per chapter)
//   paragraph   one paragraph of 20 MB
//   normal      a 1 MB walkthrough, for comparison
// Per document: its own reading time (the reading rule and the plain text,
// what the terminal tool does; the baseline) and the reader's peak memory;
// in a shown rich-text view: the time until the window is given back (loaded,
// events handled once, painted), the slowest of its repaints (at the top,
// after the layout had 3 s to go on, in the middle and at the end), the
// longest pass of the event loop in those 3 s, what laying out the rest at
// once costs, and the view's peak memory (the document laid out whole). Targets: the window
// back within 1 s of the reading time, every repaint under 50 ms, memory
// within a few times the document's size. Figures are medians over the
// repeats.
//
// usage: rtf_hostile_bench [LIMIT_SECONDS] [REPEATS] [CASE...]
//        rtf_hostile_bench --write CASE FILE    (writes one document)
#include "BenchSupport.h"
#include "WalkthroughRtf.h"
#include "platform/richedit/RichEditView.h"
#include "platform/richedit/RtfReader.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kodrix;
using namespace kodrix::bench;
namespace fs = std::filesystem;

namespace {

std::string hexOf(const QByteArray& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(static_cast<std::size_t>(bytes.size()) * 2 + bytes.size() / 32);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
        if (i % 64 == 63) out += "\r\n";
    }
    return out;
}

// --- the documents -----------------------------------------------------

std::string longWord() { return "{\\rtf1 " + std::string(1'000'000, 'a') + "}"; }

std::string manyFonts() {
    std::string rtf = "{\\rtf1{\\fonttbl";
    for (int i = 0; i < 32000; ++i) rtf += "{\\f" + std::to_string(i) + " Font" + std::to_string(i) + ";}";
    rtf += "}";
    for (int i = 0; i < 32000; ++i) rtf += "{\\f" + std::to_string(i) + " x}";
    return rtf + "}";
}

std::string manyLines() {
    std::string rtf = "{\\rtf1 ";
    rtf.reserve(800'000 * 7 + 16);
    for (int i = 0; i < 800'000; ++i) rtf += "x\\line ";
    return rtf + "}";
}

std::string bigPictures() {
    QImage image(5000, 5000, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(40, 90, 160));
    for (int i = 0; i < 50; ++i) painter.fillRect(i * 97, i * 89, 800, 300, QColor(i * 5, 200 - i * 3, 90));
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const std::string hex = hexOf(png);
    std::string rtf = "{\\rtf1 ";
    for (int i = 0; i < 20; ++i) rtf += "{\\pict\\pngblip\\picw5000\\pich5000\r\n" + hex + "}\\par ";
    return rtf + "}";
}

// A font per code page, each applied to one letter: distinct code pages
// (unknown to the converters) or, as the baseline, all the same.
std::string codePages(std::size_t targetBytes, bool distinct) {
    std::string table = "{\\rtf1\\ansi{\\fonttbl", text;
    for (int i = 0; table.size() + text.size() < targetBytes; ++i) {
        const std::string number = std::to_string(i);
        table += "{\\f" + number + "\\cpg" + std::to_string(distinct ? 40000 + i : 1252) + " F;}";
        text += "{\\f" + number + " \\'e0}";
    }
    return table + "}" + text + "}";
}

std::string oneParagraph(std::size_t targetBytes) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1251 ";
    rtf.reserve(targetBytes + 64);
    Random rng;
    while (rtf.size() < targetBytes) {
        for (int s = 1 + rng.below(3); s > 0; --s) rtf += kSyllables[rng.below(16)];
        rtf += ' ';
    }
    return rtf + "}";
}

struct Case {
    std::string name;
    std::function<std::string()> make;
    bool window = true;
};

std::vector<Case> cases() {
    return {
        {"word", longWord},
        {"fonts", manyFonts},
        {"lines", manyLines},
        {"pictures", bigPictures},
        {"codepages-7MB", [] { return codePages(7'400'000, true); }, false},
        {"codepages-7MB-baseline", [] { return codePages(7'400'000, false); }, false},
        {"codepages-15MB", [] { return codePages(15'000'000, true); }, false},
        {"codepages-15MB-baseline", [] { return codePages(15'000'000, false); }, false},
        {"walkthrough-10MB", [] { return walkthroughRtf(10u << 20); }},
        {"big", [] { return walkthroughRtf(48u << 20); }},
        {"largest", [] { return walkthroughRtf(rtf::kLargestDocumentBytes); }},
        {"paragraph", [] { return oneParagraph(20u << 20); }},
        {"normal", [] { return walkthroughRtf(1u << 20); }},
    };
}

std::vector<char> readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double msSince(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// --- the children ------------------------------------------------------

// Prints: reading ms, peak KB above the process before the file was read.
int readChild(const fs::path& file) {
    const long before = bench::currentKb();
    const std::vector<char> bytes = readFile(file);
    QElapsedTimer t;
    t.start();
    const auto text =
        rtf::documentPlainText({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    const double ms = msSince(t);
    std::printf("%.1f %ld\n", ms, bench::peakKb() - before);
    return text ? 0 : 1;
}

// Prints: open ms, slowest repaint ms, longest event-loop pass ms, whole
// layout ms, peak KB above the shown, empty view.
int windowChild(int argc, char** argv, const fs::path& file) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RichEditView view;
    view.setAutoUrlDetect(true);
    view.resize(700, 500);
    view.show();
    QApplication::processEvents();
    view.viewport()->repaint();
    const long before = bench::currentKb();
    const std::vector<char> bytes = readFile(file);

    QElapsedTimer t;
    t.start();
    view.loadFromStream(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    QApplication::processEvents();
    view.viewport()->repaint();
    const double openMs = msSince(t);

    double slowestRepaint = 0;
    auto repaint = [&] {
        QElapsedTimer r;
        r.start();
        view.viewport()->repaint();
        slowestRepaint = std::max(slowestRepaint, msSince(r));
    };
    for (int i = 0; i < 3; ++i) repaint();
    double longestPass = 0;
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < 3000) {
        QElapsedTimer pass;
        pass.start();
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        longestPass = std::max(longestPass, msSince(pass));
    }
    for (int i = 0; i < 3; ++i) repaint();
    // The rest of the layout at once (the view would go on with it in the
    // background): what it costs, and the memory of the document laid out whole.
    QElapsedTimer whole;
    whole.start();
    view.document()->size();
    QApplication::processEvents();
    const double wholeMs = msSince(whole);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    QApplication::processEvents();
    for (int i = 0; i < 3; ++i) repaint();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QApplication::processEvents();
    for (int i = 0; i < 3; ++i) repaint();
    std::printf("%.1f %.1f %.1f %.1f %ld\n", openMs, slowestRepaint, longestPass, wholeMs, bench::peakKb() - before);
    return 0;
}

// --- the parent --------------------------------------------------------

struct ChildRun {
    bool stopped = false;  // ended by the watchdog
    bool failed = false;
    std::vector<double> numbers;
};

ChildRun runChild(const std::vector<std::string>& argv, int limitSeconds) {
    int out[2];
    if (::pipe(out) != 0) return {false, true, {}};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ChildRun run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            run.stopped = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    if (run.stopped) return run;
    run.failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    std::istringstream in(text);
    double v;
    while (in >> v) run.numbers.push_back(v);
    return run;
}

// The median of each column; empty when any run was stopped or failed.
std::vector<double> medians(const std::vector<ChildRun>& runs, std::size_t columns) {
    for (const ChildRun& r : runs)
        if (r.stopped || r.failed || r.numbers.size() != columns) return {};
    std::vector<double> out;
    for (std::size_t c = 0; c < columns; ++c) {
        std::vector<double> column;
        for (const ChildRun& r : runs) column.push_back(r.numbers[c]);
        out.push_back(median(column));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write") {  // one document to a file, to look at it
        for (const Case& c : cases()) {
            if (c.name != argv[2]) continue;
            const std::string bytes = c.make();
            std::ofstream(argv[3], std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            return 0;
        }
        return 2;
    }
    if (argc == 4 && std::string(argv[1]) == "--read") return readChild(argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--window") return windowChild(argc, argv, argv[3]);
    const int limit = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::vector<std::string> wanted(argv + std::min(argc, 3), argv + argc);

    char tmpl[] = "/tmp/kodrix-rtf-hostile-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const fs::path dir = tmpl;
    const std::string self = fs::canonical("/proc/self/exe").string();
    std::printf("limit %d s per run, medians of %d runs\n", limit, repeats);
    for (const Case& c : cases()) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), c.name) == wanted.end()) continue;
        const fs::path file = dir / (c.name + ".rtf");
        {
            // Made in a child, so the parent's memory (which each child starts
            // from) stays small.
            const pid_t maker = ::fork();
            if (maker == 0) {
                const std::string bytes = c.make();
                std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
                std::_Exit(0);
            }
            int made = 0;
            ::waitpid(maker, &made, 0);
        }
        const double mb = static_cast<double>(fs::file_size(file)) / 1048576.0;
        std::vector<ChildRun> reads, windows;
        for (int i = 0; i < repeats; ++i) {
            reads.push_back(runChild({self, "--read", c.name, file.string()}, limit));
            if (c.window) windows.push_back(runChild({self, "--window", c.name, file.string()}, limit));
        }
        const auto read = medians(reads, 2);
        std::printf("%-24s %6.2f MB  read: ", c.name.c_str(), mb);
        if (read.empty()) std::printf("stopped after %d s (or failed)", limit);
        else std::printf("%8.1f ms, %6.1f MB peak (%.1fx the document)", read[0], read[1] / 1024, read[1] / 1024 / mb);
        if (c.window) {
            const auto w = medians(windows, 5);
            if (w.empty()) {
                std::printf("  | window: stopped after %d s (or failed)", limit);
            } else {
                std::printf("  | window back %8.1f ms (%+.1f ms over reading), repaint max %6.1f ms, "
                            "longest event pass %6.1f ms, whole layout %8.1f ms, %7.1f MB peak (%.1fx)",
                            w[0], read.empty() ? 0.0 : w[0] - read[0], w[1], w[2], w[3], w[4] / 1024,
                            w[4] / 1024 / mb);
            }
        }
        std::printf("\n");
        std::fflush(stdout);
        fs::remove(file);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
