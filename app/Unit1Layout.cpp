// The main window's layout rules. The tab pages place their controls at
// fixed positions; these rules make the lists take a third of the window's
// width, the text views the rest, and both grow with its height. A 1 ms timer
// re-applies the active page's rule, so the layout also catches up after a
// page switch or a font change. Equal writes do nothing (see ui/Bounds.h).
#include "app/Unit1.h"

#include "browser/CodePage.h"
#include "components/SuperBar.h"
#include "platform/richedit/RichEditView.h"
#include "platform/SortedViews.h"
#include "ui/Bounds.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace kodrix {
namespace {

// The outer size: the frame and title bar are part of it. Before the
// window is mapped by a window manager (and on platforms without
// decorations) the frame is empty and this is the client size.
QSize outerSize(const QWidget* window) { return window->frameGeometry().size(); }

}  // namespace

using namespace bounds;

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
    const QSize outer = outerSize(this);
    const int W = outer.width(), H = outer.height();
    setWidth(code->CodeView, W / 3);
    setHeight(code->CodeView, H - 152);
    setHeight(code->textview, H - 152);
    setWidth(code->Base, W / 6);
    setLeft(code->Codes, W / 6);
    setWidth(code->Codes, W / 6);
    setWidth(code->LigthFind, W / 3);
    setLeft(code->textview, W / 3 + 2);
    setWidth(code->textview, W - code->textview->x() - 16);
    setLeft(code->IconView, W / 3 + 2);
    VorlentaBar1->setPanelWidth(0, 42);
}

void TForm1::LayoutSolutionPage() {}

void TForm1::LayoutFindPage() {}

void TForm1::LayoutSettingPage() {}

}  // namespace kodrix
