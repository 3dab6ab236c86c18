// Timings of the code page on a catalogue (normally the large generated one),
// the window's own code driven offscreen, on the platform with the most games:
// - a letter change, over every group in turn, and to the largest group;
// - a quick-find keystroke that changes the letter (the first two letters of
//   a game of another group each time);
// each beside the floor of reading the same files' bytes; a game click beside
// reading the group's INI file; the window's peak memory over the letter
// changes beside the size of the platform's lists; and loading 100,000 names
// into a sorted list beside sorting them byte-wise.
//   codepage_bench CATALOGUE_DIR [RUNS]
#include "BenchSupport.h"
#include "app/Unit1.h"
#include "catalogue/CatalogueNames.h"
#include "browser/CodePage.h"
#include "catalogue/CatalogueFs.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "platform/SortedViews.h"
#include "platform/MemoryReuse.h"
#include "platform/dialogs/Dialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace kodrix;
using namespace kodrix::bench;

int main(int argc, char** argv) {
    keepFreedMemoryForReuse();  // as the program does, first thing
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: codepage_bench CATALOGUE_DIR [RUNS]\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const int runs = argc > 2 ? std::max(3, std::atoi(argv[2])) : 60;
    dialogs::DialogScript quiet;  // no modal boxes in a benchmark

    // The platform with the most games.
    std::string biggest;
    std::uint64_t most = 0;
    for (const auto& p : listPlatforms(dir).names) {
        auto n = countPlatformCodes(platformDir(dir, p)).total;
        if (n > most) most = n, biggest = p;
    }
    TForm1 form(dir);
    CodePage& page = *form.code;
    page.Base->selectIndex(page.Base->list()->indexOf(cp1251::upper(biggest)));
    page.BaseChange();
    const int groups = page.Codes->list()->count();

    std::vector<std::filesystem::path> dats;
    std::uintmax_t listBytes = 0;
    int largest = 0;
    std::uintmax_t largestBytes = 0;
    for (int i = 0; i < groups; ++i) {
        dats.push_back(platformFile(page.PlatformPath(), names::groupList(page.Codes->list()->item(i))));
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(dats.back(), ec);
        listBytes += ec ? 0 : size;
        if (!ec && size > largestBytes) largestBytes = size, largest = i;
    }
    std::printf("platform %s: %llu games in %d groups, %.1f MB of lists\n", biggest.c_str(),
                static_cast<unsigned long long>(most), groups, static_cast<double>(listBytes) / 1048576.0);
    auto floorOf = [&](int group) {
        auto files = dats;
        files.push_back(dats[static_cast<std::size_t>(group)]);
        readAll(files);
    };
    auto changeLetter = [&](int group) {
        page.Codes->selectIndex(group);
        page.CodesChange();
    };

    resetPeakMemory();
    int g = 0, f = 0;
    const auto [letter, letterFloor] =
        medianPairMs(runs, [&] { changeLetter(g++ % groups); }, [&] { floorOf(f++ % groups); });
    const long letterPeakKb = peakMemoryKb();
    const auto [toLargest, largestFloor] =
        medianPairMs(std::max(3, runs / 4), [&] { changeLetter(largest); }, [&] { floorOf(largest); });

    // A keystroke: the first two letters of a game in the middle of a group,
    // each time of the group after the one before, so every keystroke
    // changes the letter.
    std::vector<QString> typed;
    for (int i = 0; i < groups; ++i) {
        changeLetter(i);
        const SortedStringList* games = page.CodeView->list();
        typed.push_back(games->count() ? games->text(games->count() / 2).left(2).toUpper() : QString());
    }
    g = 0, f = 0;
    const auto [keystroke, keyFloor] = medianPairMs(
        runs,
        [&] {
            page.LigthFind->setText(typed[static_cast<std::size_t>(g++ % groups)]);
            page.LigthFindChange();
        },
        [&] { floorOf(f++ % groups); });

    // A game click on a game in the middle of the largest group.
    changeLetter(largest);
    page.CodeView->setItemIndex(page.CodeView->list()->count() / 2);
    const std::filesystem::path ini = platformFile(page.PlatformPath(), names::groupIni(page.Codes->list()->item(largest)));
    const auto [click, clickFloor] = medianPairMs(runs, [&] { page.CodeViewClick(); }, [&] { readAll({ini}); });

    std::vector<std::string> many;
    for (int i = 0; i < 100000; ++i) many.push_back("Game title " + std::to_string((i * 7919) % 100000));
    SortedStringList list;
    const auto [load, byteSort] = medianPairMs(5, [&] { list.assign(many); }, [&] {
        auto copy = many;
        std::sort(copy.begin(), copy.end());
    });

    std::printf("letter change      %7.2f ms  (floor: reading the same files %5.2f ms, ratio %.1f)\n", letter,
                letterFloor, letter / letterFloor);
    std::printf("to the largest group %5.2f ms  (floor %5.2f ms)\n", toLargest, largestFloor);
    std::printf("quick-find key     %7.2f ms  (floor %5.2f ms, ratio %.1f)\n", keystroke, keyFloor,
                keystroke / keyFloor);
    std::printf("game click         %7.2f ms\n", click);
    std::printf("sorted list, 100,000 names loaded  %7.1f ms\n", load);
    const double listMb = static_cast<double>(listBytes) / 1048576.0;
    row("letter change (median over the groups)", letter, "ms", "reading the same files", letterFloor, "<=16ms");
    row("letter change to the largest group", toLargest, "ms", "reading the same files", largestFloor, "<=16ms");
    row("quick-find keystroke that changes the letter", keystroke, "ms", "reading the same files", keyFloor, "<=16ms");
    row("game click (largest group)", click, "ms", "reading the group's INI file", clickFloor);
    row("window peak memory over the letter changes", static_cast<double>(letterPeakKb) / 1024.0, "MB",
        "the platform's lists on disk", listMb);
    row("sorted list, 100,000 names loaded", load, "ms", "std::sort of the names, byte order", byteSort);
    return 0;
}
