// The walkthrough list as start-up builds it, over the large generated
// catalogue's walkthrough modules: the table (every "sol\*.dll" opened, its
// "name1" read, the display name chosen by the list's collation), the event
// pump once per module, and the sorted list filled with the names.
// Median of several runs with the files in the page cache (target: 300 ms
// or less for 2,000 modules), and the bytes read against the modules' size.
// Beside it, the same names read through ResourceModule::open (the whole file
// opened as the other readers open modules), without list or pump.
//   walkthrough_bench CATALOGUE_DIR [RUNS]
#include "catalogue/CatalogueFs.h"
#include "catalogue/ResourceModule.h"
#include "catalogue/WalkthroughTable.h"
#include "platform/EventPump.h"
#include "platform/SortedStringList.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace kodrix;

namespace {

// Bytes this process has read through read(2) and pread(2) so far.
long long bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: walkthrough_bench CATALOGUE_DIR [RUNS]\n");
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::filesystem::path catalogue = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;

    std::uintmax_t moduleBytes = 0;
    int modules = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(catalogue / "sol", ec)) {
        moduleBytes += e.file_size(ec);
        ++modules;
    }

    const NameSortKey key = [](std::string_view name) { return SortedStringList::sortKey(name); };
    std::vector<double> ms;
    std::size_t listed = 0;
    long long read = 0;
    for (int i = 0; i <= runs; ++i) {  // the first run warms the page cache and is not counted
        const long long before = bytesRead();
        QElapsedTimer timer;
        timer.start();
        WalkthroughTable table;
        table.build(catalogue, key, [] { processPendingEvents(); });
        SortedStringList list;
        list.assign(table.displayNames());
        const double elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        read = bytesRead() - before;
        listed = static_cast<std::size_t>(list.count());
        if (i > 0) ms.push_back(elapsed);
    }
    std::sort(ms.begin(), ms.end());

    std::vector<double> whole;
    long long wholeRead = 0;
    for (int i = 0; i < runs; ++i) {
        const long long before = bytesRead();
        QElapsedTimer timer;
        timer.start();
        const auto entries = listFilesWithExtension(catalogue / "sol", ".dll");
        std::size_t names = 0;
        for (const auto& e : *entries)
            if (const auto m = ResourceModule::open(e.path))
                if (const auto n = m->find(ResourceId::id(RT_RCDATA), ResourceId::fromText("name1"))) names += !n->empty();
        whole.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        wholeRead = bytesRead() - before;
        if (names != listed) std::printf("warning: %zu names through ResourceModule::open\n", names);
    }
    std::sort(whole.begin(), whole.end());
    std::printf("walkthrough list: %zu of %d modules (%.1f MB) listed\n", listed, modules,
                static_cast<double>(moduleBytes) / 1048576.0);
    std::printf("build + list: median %.1f ms, min %.1f ms, max %.1f ms over %d runs  [target <= 300 ms]\n",
                ms[ms.size() / 2], ms.front(), ms.back(), runs);
    std::printf("bytes read per build: %.2f MB = %.1f%% of the modules (%.1f KB a module)\n",
                static_cast<double>(read) / 1048576.0, 100.0 * static_cast<double>(read) / static_cast<double>(moduleBytes),
                modules ? static_cast<double>(read) / 1024.0 / modules : 0.0);
    std::printf("baseline, names through ResourceModule::open: median %.1f ms, %.2f MB read (mapped files count as 0)\n",
                whole[whole.size() / 2], static_cast<double>(wholeRead) / 1048576.0);
    return 0;
}
