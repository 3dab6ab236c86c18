// The main window's layout rules. The tab pages place their controls at
// fixed positions; these rules make the lists take a third of the window's
// width, the text views the rest, and both grow with its height. A 1 ms timer
// re-applies the active page's rule, so the layout also catches up after a
// page switch or a font change. Equal writes do nothing (see ui/Bounds.h).
#include "app/Unit1.h"

#include "app/SettingPage.h"
#include "browser/CodePage.h"
#include "components/AutoSizeLabel.h"
#include "components/ColorBox.h"
#include "components/ComboEdit.h"
#include "components/ProgresBarFlat.h"
#include "search/FindPage.h"
#include "walkthroughs/SolutionPage.h"
#include "components/SuperBar.h"
#include "platform/richedit/RichEditView.h"
#include "platform/SortedViews.h"
#include "ui/Bounds.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <initializer_list>

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

void TForm1::LayoutSolutionPage() {
    const QSize outer = outerSize(this);
    const int W = outer.width(), H = outer.height();
    setHeight(solution->TextListBox2, H - 133);
    setHeight(solution->RxRichEdit2, H - 100);
    setWidth(solution->TextListBox2, W / 3);
    setWidth(solution->Edit2, W / 3);
    setLeft(solution->RxRichEdit2, W / 3 + 2);
    setWidth(solution->RxRichEdit2, W - solution->RxRichEdit2->x() - 16);
    VorlentaBar1->setPanelWidth(0, 42);
}

void TForm1::LayoutFindPage() {
    const QSize outer = outerSize(this);
    const int W = outer.width(), H = outer.height();
    setHeight(find->TextListBox1, H - 262);
    setHeight(find->RxRichEdit1, H - 100);
    for (QWidget* w : std::initializer_list<QWidget*>{find->Label1, find->NProgressBar1, find->SpeedButton1, find->Edit1,
                                                      find->NProgressBar1, find->base2, find->TextListBox1})
        setWidth(w, W / 3);
    setLeft(find->RxRichEdit1, W / 3 + 2);
    setWidth(find->RxRichEdit1, W - find->RxRichEdit1->x() - 16);
    VorlentaBar1->setPanelWidth(0, 42);
}

void TForm1::LayoutSettingPage() {
    setTop(setting->ColorBox1, setting->ComboEdit1->y() + setting->ComboEdit1->height() + 10);
}

}  // namespace kodrix
