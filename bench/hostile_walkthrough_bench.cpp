// Figures of hostile walkthrough modules, settings and save targets, each
// against a baseline measured in the same run (the same work on a harmless
// catalogue, settings file or list), on files laid out in a temporary folder:
//  1. a module whose "name1" claims 3 GB (a sparse file): `kodrix-cli
//     walkthroughs` and the window's start to its first paint; a module whose
//     "File1" claims 3 GB: `kodrix-cli walkthrough` and the window opening it
//     (target: the baseline's time and memory, within a few MB);
//  2. a "name1" of one line of 1 MB: one repaint of the walkthrough list as
//     the program builds it, against the same list holding the whole name
//     (what it held before names were cut);
//  3. a settings file of 100 MB: the window's start and one save (a minimise
//     or close), against a settings file the program wrote;
//  4. "Сохранить в файл" onto a FIFO without a reader: the time until the
//     refusal.
// Every case runs in a child process of its own under a watchdog (five
// minutes): a case that hangs is reported as such.
//
// usage: hostile_walkthrough_bench KODRIX_CLI
//        hostile_walkthrough_bench --lay-out DIR   (only lays the files out)
#include "BenchSupport.h"
#include "app/Unit1.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "platform/SortedStringList.h"
#include "platform/SortedViews.h"
#include "platform/WholeFileWriter.h"
#include "platform/dialogs/Dialogs.h"
#include "tests/support/ClaimingModule.h"
#include "tools/pack/CatalogueBuilder.h"
#include "ui/ErrorReport.h"
#include "walkthroughs/SolutionPage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kodrix;
namespace fs = std::filesystem;

namespace {

constexpr int kChildLimitMs = 300 * 1000;
constexpr std::uint64_t kClaim = 3ull << 30;
constexpr std::size_t kLongName = 1 << 20;
constexpr int kNormalModules = 20;

std::vector<std::uint8_t> bytesOf(std::string_view s) { return {s.begin(), s.end()}; }

void writeFile(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A catalogue of one platform and kNormalModules ordinary walkthroughs.
void normalCatalogue(const fs::path& dir) {
    const fs::path p = dir / "P";
    fs::create_directories(p);
    pack::writePlatformMarker(p);
    pack::writeGroup(p, pack::GroupSource{"A", {{"Alpha", 0, {"code"}}}}, 1);
    for (int i = 0; i < kNormalModules; ++i) {
        pack::WalkthroughSource w;
        w.displayName = "Walk " + std::to_string(i);
        w.document = bytesOf("{\\rtf1 A walkthrough.\\par}");
        pack::writeWalkthrough(dir / "sol" / ("w" + std::to_string(i) + ".dll"), w);
    }
}

// The catalogues and settings folders the cases use.
void layOut(const fs::path& dir) {
    for (const char* name : {"clean", "claims-name", "claims-file", "long-name"}) normalCatalogue(dir / name);
    test::writeClaimingModule(dir / "claims-name" / "sol" / "claims.dll", {{"name1", bytesOf("Claimed")}}, "name1", kClaim);
    test::writeClaimingModule(dir / "claims-file" / "sol" / "claims.dll",
                              {{"name1", bytesOf("Claimed")}, {"File1", bytesOf("{\\rtf1 x}")}}, "File1", kClaim);
    pack::WalkthroughSource longName;
    longName.displayName = std::string(kLongName, 'L');
    longName.document = bytesOf("{\\rtf1 Long.\\par}");
    pack::writeWalkthrough(dir / "long-name" / "sol" / "long.dll", longName);

    writeFile(dir / "cfg-clean" / "Vorlenta" / "Kodrix.ini",
              "[General]\nBasePath=/opt/kodrix/\n\n[Settings]\nFontName=MS Sans Serif\nLastPage=solution\n");
    // 100 MB of values, as a damaged disk or another program might leave.
    std::string big = "[Settings]\nLastPage=solution\n";
    big.reserve(100u << 20);
    for (int i = 0; big.size() < (100u << 20); ++i)
        big += "Key" + std::to_string(i) + "=a value that fills the file up to one hundred megabytes\n";
    writeFile(dir / "cfg-big" / "Vorlenta" / "Kodrix.ini", big);
    ::mkfifo((dir / "pipe.doc").c_str(), 0600);
}

// Child: the window from its creation to its first paint; then, by mode, a
// walkthrough opened, the list repainted, or the settings saved. Prints
// "key=value" pairs.
int child(const std::string& mode, const fs::path& dir) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    dialogs::DialogScript quiet;  // boxes are recorded, not shown
    TForm1 form(dir);
    form.show();
    while (!form.isVisible() || form.visibleRegion().isEmpty()) QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    std::printf("start_ms=%.1f start_peak_kb=%ld ", sinceStart.nsecsElapsed() / 1e6, bench::peakKb());
    SortedListBox& list = *form.solution->TextListBox2;
    if (mode == "--open") {
        list.setItemIndex(list.list()->indexOf("Claimed") >= 0 ? list.list()->indexOf("Claimed") : 0);
        QElapsedTimer t;
        t.start();
        guarded(&form, [&] { form.solution->TextListBox2Click(); });
        QCoreApplication::processEvents();
        std::printf("open_ms=%.1f open_peak_kb=%ld ", t.nsecsElapsed() / 1e6, bench::peakKb());
    } else if (mode == "--paint") {
        form.PageControl1->setCurrentWidget(form.solution);
        QCoreApplication::processEvents();
        const auto repaint = [&] {
            return bench::medianMs(5, [&] { list.viewport()->repaint(); });
        };
        const double built = repaint();
        std::vector<std::string> whole = form.Walkthroughs.displayNames();
        for (auto& name : whole)
            if (name.size() > 100 && name.front() == 'L') name.assign(kLongName, 'L');
        list.list()->assign(whole);
        list.updateScrollWidth();
        QCoreApplication::processEvents();
        std::printf("paint_built_ms=%.2f paint_whole_ms=%.2f ", built, repaint());
    } else if (mode == "--save") {
        QElapsedTimer t;
        t.start();
        guarded(&form, [&] { form.SaveSettings(); });
        std::printf("save_ms=%.1f save_peak_kb=%ld ", t.nsecsElapsed() / 1e6, bench::peakKb());
    }
    std::printf("reports=%zu\n", quiet.messages.size());
    return 0;
}

// Child: the save of a text onto a FIFO that has no reader.
int saveOntoFifo(const fs::path& fifo) {
    QElapsedTimer t;
    t.start();
    std::string result = "written";
    try {
        writeWholeFile(QString::fromStdString(fifo.string()), "text");
    } catch (const Error& e) {
        result = e.message();
    }
    std::printf("fifo_ms=%.2f result=%s\n", t.nsecsElapsed() / 1e6, result.c_str());
    return 0;
}

// The number after "key=" in a child's output, or -1.
double valueOf(const std::string& out, const std::string& key) {
    const auto at = out.find(key + "=");
    return at == std::string::npos ? -1 : std::atof(out.c_str() + at + key.size() + 1);
}

std::string verdict(const bench::WatchedRun& r) {
    if (r.timedOut) return "  (did not finish: ended by the watchdog)";
    return WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0 ? "" : "  (exited with an error)";
}

double ratio(double a, double b) { return b > 0 ? a / b : 0; }

// One line: the case's time and peak (the keys of a child's output) against
// the baseline's, with their ratios.
void printAgainst(const char* what, const bench::WatchedRun& hostile, const bench::WatchedRun& baseline,
                  const std::string& msKey, const std::string& peakKey) {
    const double ms = valueOf(hostile.out, msKey), peak = valueOf(hostile.out, peakKey);
    const double baseMs = valueOf(baseline.out, msKey), basePeak = valueOf(baseline.out, peakKey);
    std::printf("   %s: %.0f ms, peak %.0f KB; baseline %.0f ms, %.0f KB  (ratio %.2f time, %.2f memory)%s\n", what, ms,
                peak, baseMs, basePeak, ratio(ms, baseMs), ratio(peak, basePeak), verdict(hostile).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--fifo") return saveOntoFifo(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--lay-out") {  // the files alone, for a look by hand
        layOut(argv[2]);
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]).rfind("--", 0) == 0) {
        if (argc == 4) qputenv("XDG_CONFIG_HOME", argv[3]);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return child(argv[1], argv[2]);
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: hostile_walkthrough_bench KODRIX_CLI\n");
        return 2;
    }
    const std::string cli = argv[1];
    const auto laidOut = bench::layOutInChild("kodrix-hostile-walk", layOut);
    if (!laidOut) return 1;
    const fs::path dir = *laidOut;
    const std::string self = fs::canonical("/proc/self/exe").string();
    const std::string cleanCfg = (dir / "cfg-clean").string();
    const auto cliRun = [&](const char* catalogue, std::vector<std::string> args) {
        args.insert(args.begin(), {cli, "--catalogue", (dir / catalogue).string()});
        return bench::runWatched(args, kChildLimitMs, false);
    };
    const auto windowRun = [&](const char* mode, const char* catalogue, const std::string& cfg) {
        return bench::runWatched({self, mode, (dir / catalogue).string(), cfg}, kChildLimitMs);
    };

    std::printf("1. a walkthrough module whose \"name1\" claims 3 GB (sparse), beside %d ordinary ones:\n", kNormalModules);
    const auto listClean = cliRun("clean", {"walkthroughs"});
    const auto listClaims = cliRun("claims-name", {"walkthroughs"});
    std::printf("   kodrix-cli walkthroughs: %.0f ms, peak %ld KB; baseline without it %.0f ms, %ld KB"
                "  (ratio %.2f time, %.2f memory)%s\n",
                listClaims.millis, listClaims.maxRssKb, listClean.millis, listClean.maxRssKb,
                ratio(listClaims.millis, listClean.millis), ratio(listClaims.maxRssKb, listClean.maxRssKb),
                verdict(listClaims).c_str());
    const auto startClean = windowRun("--start", "clean", cleanCfg);
    const auto startClaims = windowRun("--start", "claims-name", cleanCfg);
    printAgainst("the window's start to its first paint", startClaims, startClean, "start_ms", "start_peak_kb");

    std::printf("   a \"File1\" claiming 3 GB:\n");
    const auto docClean = cliRun("claims-file", {"walkthrough", "Walk 0"});
    const auto docClaims = cliRun("claims-file", {"walkthrough", "Claimed"});
    std::printf("   kodrix-cli walkthrough: %.0f ms, peak %ld KB (status %d); baseline an ordinary one %.0f ms, %ld KB"
                "  (ratio %.2f time, %.2f memory)%s\n",
                docClaims.millis, docClaims.maxRssKb, WIFEXITED(docClaims.status) ? WEXITSTATUS(docClaims.status) : -1,
                docClean.millis, docClean.maxRssKb, ratio(docClaims.millis, docClean.millis),
                ratio(docClaims.maxRssKb, docClean.maxRssKb), docClaims.timedOut ? "  (ended by the watchdog)" : "");
    const auto openClean = windowRun("--open", "clean", cleanCfg);
    const auto openClaims = windowRun("--open", "claims-file", cleanCfg);
    printAgainst("the window opening it (baseline: an ordinary one)", openClaims, openClean, "open_ms", "open_peak_kb");
    std::printf("   boxes shown: %.0f (a refusal is \"Resource File1 not found.\")\n", valueOf(openClaims.out, "reports"));

    std::printf("2. a display name of one line of 1 MB:\n");
    const auto paint = windowRun("--paint", "long-name", cleanCfg);
    std::printf("   one repaint of the walkthrough list as built: %.2f ms; holding the whole name: %.2f ms"
                "  (ratio %.3f)%s\n",
                valueOf(paint.out, "paint_built_ms"), valueOf(paint.out, "paint_whole_ms"),
                ratio(valueOf(paint.out, "paint_built_ms"), valueOf(paint.out, "paint_whole_ms")),
                verdict(paint).c_str());

    std::printf("3. a settings file of 100 MB:\n");
    const auto saveClean = windowRun("--save", "clean", cleanCfg);
    const auto saveBig = windowRun("--save", "clean", (dir / "cfg-big").string());
    printAgainst("the window's start", saveBig, saveClean, "start_ms", "start_peak_kb");
    printAgainst("one save (a minimise or close) after it", saveBig, saveClean, "save_ms", "save_peak_kb");
    std::printf("   boxes shown: %.0f (setting the file aside says so once); baseline %.0f\n", valueOf(saveBig.out, "reports"),
                valueOf(saveClean.out, "reports"));

    std::printf("4. saving text onto a FIFO without a reader:\n");
    const auto fifo = bench::runWatched({self, "--fifo", (dir / "pipe.doc").string()}, 10 * 1000);
    std::printf("   %s%s\n", fifo.out.empty() ? "(no answer)" : fifo.out.substr(0, fifo.out.size() - 1).c_str(),
                fifo.timedOut ? "  (blocked: ended by the watchdog after 10 s)" : "");

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
