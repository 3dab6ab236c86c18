// The main window's layout timer. Each page keeps its own size rule
// (applyLayout); a 1 ms timer re-applies the active page's rule, so the
// layout also catches up after a page switch or a font change. Equal writes
// do nothing (see ui/Bounds.h), so an idle tick costs nothing.
#include "app/Unit1.h"

#include "app/SettingPage.h"
#include "browser/CodePage.h"
#include "components/SuperBar.h"
#include "search/FindPage.h"
#include "walkthroughs/SolutionPage.h"

#include <QTabWidget>

namespace kodrix {
namespace {

// The outer size: the frame and title bar are part of it. Before the
// window is mapped by a window manager (and on platforms without
// decorations) the frame is empty and this is the client size.
QSize outerSize(const QWidget* window) { return window->frameGeometry().size(); }

}  // namespace

void TForm1::Timer1Timer() {
    switch (PageControl1->currentIndex()) {
    case 0: LayoutCodePage(); break;
    case 1: LayoutSolutionPage(); break;
    case 2: LayoutFindPage(); break;
    case 4: LayoutSettingPage(); break;
    default: break;  // the chart fills its page by itself
    }
}

void TForm1::LayoutCodePage() {
    code->applyLayout(outerSize(this));
    VorlentaBar1->setPanelWidth(0, 42);
}

void TForm1::LayoutSolutionPage() {
    solution->applyLayout(outerSize(this));
    VorlentaBar1->setPanelWidth(0, 42);
}

void TForm1::LayoutFindPage() {
    find->applyLayout(outerSize(this));
    VorlentaBar1->setPanelWidth(0, 42);
}

void TForm1::LayoutSettingPage() { setting->applyLayout(); }

}  // namespace kodrix
