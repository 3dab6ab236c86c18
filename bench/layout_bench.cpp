// The window layout: how long the rules take to follow a resize (the one
// timer tick after it), and what a tick costs when nothing changed. The main
// window runs offscreen on a catalogue (normally the large generated one).
//   layout_bench CATALOGUE_DIR
#include "BenchSupport.h"
#include "app/Unit1.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/registry/MemorySettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kodrix;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: layout_bench CATALOGUE_DIR\n");
        return 2;
    }
    dialogs::DialogScript script;  // no boxes
    registry::MemorySettingsStore settings;
    TForm1 form(argv[1], TForm1Services{&settings, nullptr});
    form.Timer1->stop();  // ticks are driven here
    form.show();
    QCoreApplication::processEvents();

    for (int page : {0, 1, 2, 4}) {
        form.PageControl1->setCurrentIndex(page);
        std::vector<double> follow, idle;
        for (int i = 0; i < 200; ++i) {
            form.resize(700 + (i % 2) * 300, 550 + (i % 2) * 200);
            QElapsedTimer t;
            t.start();
            form.Timer1Timer();
            follow.push_back(t.nsecsElapsed() / 1e3);
            t.start();
            form.Timer1Timer();
            idle.push_back(t.nsecsElapsed() / 1e3);
        }
        std::sort(follow.begin(), follow.end());
        std::sort(idle.begin(), idle.end());
        std::printf("page %d: the tick after a resize %.1f us (p90 %.1f us); an unchanged tick %.2f us\n", page,
                    follow[follow.size() / 2], follow[follow.size() * 9 / 10], idle[idle.size() / 2]);
        bench::row("layout tick after a resize, page " + std::to_string(page), follow[follow.size() / 2] / 1000.0, "ms",
                   "an unchanged tick", idle[idle.size() / 2] / 1000.0);
    }
    return 0;
}
