#include "app/Unit1.h"
#include "app/SettingPage.h"
#include "browser/CodePage.h"
#include "components/AutoSizeLabel.h"
#include "components/ColorBox.h"
#include "components/ComboEdit.h"
#include "components/ProgresBarFlat.h"
#include "search/FindPage.h"
#include "search/GraphPage.h"
#include "walkthroughs/SolutionPage.h"
#include "components/SuperBar.h"
#include "platform/SortedViews.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/richedit/RichEditView.h"
#include "support/MainWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace kodrix;

namespace {

class LayoutTest : public test::MainWindowTest {
protected:
    void SetUp() override {
        cat.platform("PS2");
        cat.group("PS2", "A", {{"Alpha", 0, {"a"}}});
        open();
    }
    // Offscreen windows have no frame: the outer size is the window's size.
    void resizeOuter(int w, int h) {
        form->resize(w, h);
        ASSERT_EQ(form->frameGeometry().size(), QSize(w, h));
    }
};

void expectGeometry(const char* name, const QWidget* w, int left, int top, int width, int height) {
    EXPECT_EQ(w->geometry(), QRect(left, top, width, height)) << name;
}

}  // namespace

TEST_F(LayoutTest, WorkedExampleOnTheCodePage) {
    resizeOuter(720, 580);
    form->PageControl1->setCurrentIndex(0);
    form->Timer1Timer();
    CodePage& c = *form->code;
    expectGeometry("CodeView", c.CodeView, 0, 52, 240, 428);
    expectGeometry("textview", c.textview, 242, 52, 462, 428);
    expectGeometry("Base", c.Base, 0, 0, 120, 21);
    expectGeometry("Codes", c.Codes, 120, 0, 120, 21);
    expectGeometry("LigthFind", c.LigthFind, 0, 24, 240, 21);
    EXPECT_EQ(c.IconView->x(), 242);
    EXPECT_EQ(form->VorlentaBar1->panelWidth(0), 42);
}

TEST_F(LayoutTest, WorkedExampleOnTheWalkthroughSearchAndSettingPages) {
    resizeOuter(720, 580);
    form->PageControl1->setCurrentWidget(form->solution);
    form->Timer1Timer();
    SolutionPage& s = *form->solution;
    expectGeometry("TextListBox2", s.TextListBox2, 0, 32, 240, 447);
    expectGeometry("Edit2", s.Edit2, 0, 1, 240, 21);
    expectGeometry("RxRichEdit2", s.RxRichEdit2, 242, 0, 462, 480);

    form->VorlentaBar1->setPanelWidth(0, 38);
    form->PageControl1->setCurrentWidget(form->find);
    form->Timer1Timer();
    FindPage& f = *form->find;
    expectGeometry("TextListBox1", f.TextListBox1, 0, 162, 240, 318);
    expectGeometry("RxRichEdit1", f.RxRichEdit1, 242, 0, 462, 480);
    for (QWidget* w : std::initializer_list<QWidget*>{f.Label1, f.NProgressBar1, f.SpeedButton1, f.Edit1, f.base2})
        EXPECT_EQ(w->width(), 240) << w->objectName().toStdString();
    EXPECT_EQ(form->VorlentaBar1->panelWidth(0), 42);

    // The chart page rewrites nothing, not even the status panel.
    form->VorlentaBar1->setPanelWidth(0, 38);
    form->PageControl1->setCurrentWidget(form->graphik);
    form->Timer1Timer();
    EXPECT_EQ(form->VorlentaBar1->panelWidth(0), 38);

    form->PageControl1->setCurrentWidget(form->setting);
    form->setting->ComboEdit1->resize(161, 33);  // a larger font
    form->Timer1Timer();
    EXPECT_EQ(form->setting->ColorBox1->y(), 32 + 33 + 10);
    EXPECT_EQ(form->VorlentaBar1->panelWidth(0), 38);
}

TEST_F(LayoutTest, TheRightEdgeOfTheTextViewFollowsTheWindow) {
    for (QSize s : {QSize(708, 545), QSize(1000, 700), QSize(400, 300)}) {
        resizeOuter(s.width(), s.height());
        form->Timer1Timer();
        EXPECT_EQ(form->code->textview->x(), s.width() / 3 + 2);
        EXPECT_EQ(form->code->textview->geometry().right() + 1, s.width() - 16);
    }
}

TEST_F(LayoutTest, TinyWindowsGiveZeroSizesNotNegativeOnes) {
    form->setMinimumSize(0, 0);
    resizeOuter(120, 100);
    form->Timer1Timer();
    EXPECT_EQ(form->code->CodeView->height(), 0);
    EXPECT_EQ(form->code->textview->height(), 0);
}

TEST_F(LayoutTest, TheTimerTicksEveryMillisecondAndFollowsAResize) {
    EXPECT_EQ(form->Timer1->interval(), 1);
    EXPECT_TRUE(form->Timer1->isActive());
    resizeOuter(900, 600);
    QTest::qWait(20);
    EXPECT_EQ(form->code->CodeView->width(), 300);
}
