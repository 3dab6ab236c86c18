// Timings of the code page on a catalogue (normally the large generated one):
// a letter change, a quick-find keystroke and a game click on the platform
// with the most games, each beside the floor of reading the same files'
// bytes; and loading 100,000 names into a sorted list.
//   codepage_bench CATALOGUE_DIR
#include "BenchSupport.h"
#include "app/Unit1.h"
#include "catalogue/CatalogueNames.h"
#include "browser/CodePage.h"
#include "catalogue/CatalogueFs.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "platform/SortedViews.h"
#include "platform/dialogs/Dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace kodrix;

using namespace kodrix::bench;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: codepage_bench CATALOGUE_DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
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
    std::printf("platform %s: %llu games in %d groups\n", biggest.c_str(), static_cast<unsigned long long>(most), groups);

    std::vector<std::filesystem::path> dats;
    for (int i = 0; i < groups; ++i) dats.push_back(platformFile(page.PlatformPath(), names::groupList(page.Codes->list()->item(i))));

    int g = 0;
    const double letter = medianMs(60, [&] {
        page.Codes->selectIndex(g++ % groups);
        page.CodesChange();
    });
    g = 0;
    const double letterFloor = medianMs(60, [&] {
        auto files = dats;
        files.push_back(dats[static_cast<std::size_t>(g++ % groups)]);
        readAll(files);
    });

    // A keystroke: the first two letters of a game in the middle of group 0.
    page.Codes->selectIndex(0);
    page.CodesChange();
    const QString name = page.CodeView->list()->text(page.CodeView->list()->count() / 2);
    const double keystroke = medianMs(60, [&] {
        page.LigthFind->setText(name.left(2).toUpper());
        page.LigthFindChange();
    });

    // A game click on a game in the middle of the group.
    page.CodeView->setItemIndex(page.CodeView->list()->count() / 2);
    const double click = medianMs(60, [&] { page.CodeViewClick(); });

    std::vector<std::string> many;
    for (int i = 0; i < 100000; ++i) many.push_back("Game title " + std::to_string((i * 7919) % 100000));
    SortedStringList list;
    const double load = medianMs(5, [&] { list.assign(many); });

    std::printf("letter change      %7.2f ms  (floor: reading the same files %5.2f ms, ratio %.1f)\n", letter,
                letterFloor, letter / letterFloor);
    std::printf("quick-find key     %7.2f ms  (floor %5.2f ms, ratio %.1f)\n", keystroke, letterFloor,
                keystroke / letterFloor);
    std::printf("game click         %7.2f ms\n", click);
    std::printf("sorted list, 100,000 names loaded  %7.1f ms\n", load);
    return 0;
}
