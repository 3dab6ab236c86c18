// The pages as a user handles them: the keys that turn the pages wherever
// the focus is, the mouse and keys on the lists, and a new font reaching the
// labels and list rows at once.
#include "app/SettingPage.h"
#include "app/Unit1.h"
#include "browser/CodePage.h"
#include "catalogue/Cp1251.h"
#include "components/AutoSizeLabel.h"
#include "components/ColorBox.h"
#include "components/ComboEdit.h"
#include "platform/SortedViews.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/registry/MemorySettingsStore.h"
#include "platform/richedit/RichEditView.h"
#include "search/FindPage.h"
#include "search/GraphPage.h"
#include "support/MainWindow.h"
#include "walkthroughs/SolutionPage.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace kodrix;

namespace {

std::vector<std::uint8_t> document(const std::string& text) {
    const std::string rtf = "{\\rtf1\\ansi " + text + "}";
    return {rtf.begin(), rtf.end()};
}

class PagesInUse : public test::MainWindowTest {
protected:
    void SetUp() override {
        cat.platform("PS2");
        cat.group("PS2", "A", {{"Ace", 0, {"a"}}, {"Alpha", 0, {"b"}}, {"Arc", 0, {"c"}}});
        cat.dir.mkdir("sol");
        for (const char* name : {"Ace guide", "Alpha guide", "Arc guide"})
            pack::writeWalkthrough(cat.dir.path() / "sol" / (std::string(name) + ".dll"),
                                   pack::WalkthroughSource{name, document(name), {}});
        open();
        form->find->Edit1->setText("a");
        form->find->SpeedButton1Click();  // three results
    }

    // The three lists a user picks from, each holding three rows.
    std::vector<SortedListBox*> lists() const {
        return {form->code->CodeView, form->solution->TextListBox2, form->find->TextListBox1};
    }
    // Shown and active, so the focus and the window's shortcuts work.
    void showActive() {
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    QPoint rowCentre(SortedListBox* list, int row) const {
        return list->visualRect(list->list()->index(row)).center();
    }
};

}  // namespace

TEST_F(PagesInUse, CtrlTabTurnsThePagesWhereverTheFocusIs) {
    showActive();
    const struct {
        int page;
        QWidget* control;
    } cases[] = {
        {0, form->code->Base},          {0, form->code->Codes},        {0, form->code->LigthFind},
        {0, form->code->CodeView},      {0, form->code->textview},     {1, form->solution->Edit2},
        {1, form->solution->TextListBox2}, {1, form->solution->RxRichEdit2}, {2, form->find->base2},
        {2, form->find->Edit1},         {2, form->find->TextListBox1}, {2, form->find->RxRichEdit1},
        {3, form->PageControl1->tabBar()}, {4, form->setting->ComboEdit1->edit()}, {4, form->setting->ColorBox1},
    };
    const int pages = form->PageControl1->count();
    for (const auto& c : cases) {
        const std::string name = c.control->objectName().toStdString();
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            int step;
        } turns[] = {{Qt::Key_Tab, Qt::ControlModifier, 1}, {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, -1}};
        for (const auto& [key, modifiers, step] : turns) {
            form->PageControl1->setCurrentIndex(c.page);
            c.control->setFocus(Qt::OtherFocusReason);
            ASSERT_TRUE(c.control->hasFocus()) << name;
            QTest::keyClick(c.control, key, modifiers);
            EXPECT_EQ(form->PageControl1->currentIndex(), (c.page + step + pages) % pages) << name << " step " << step;
        }
    }
}

TEST_F(PagesInUse, OnlyTheLeftButtonSelectsARow) {
    for (SortedListBox* list : lists()) {
        const std::string name = list->objectName().toStdString();
        ASSERT_EQ(list->list()->count(), 3) << name;
        list->setItemIndex(0);
        QSignalSpy clicks(list, &SortedListBox::itemClicked);
        for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mousePress(list->viewport(), button, {}, rowCentre(list, 1));
            QTest::mouseMove(list->viewport(), rowCentre(list, 2));
            QTest::mouseRelease(list->viewport(), button, {}, rowCentre(list, 2));
            EXPECT_EQ(list->itemIndex(), 0) << name << " button " << button;
        }
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 2));
        EXPECT_EQ(list->itemIndex(), 2) << name;
        EXPECT_EQ(clicks.count(), 1) << name;
    }
}

TEST_F(PagesInUse, TheFirstDownInAListWithoutASelectionSelectsTheFirstRow) {
    showActive();
    const int pageOf[] = {0, 1, 2};
    for (std::size_t i = 0; i < lists().size(); ++i) {
        SortedListBox* list = lists()[i];
        const std::string name = list->objectName().toStdString();
        form->PageControl1->setCurrentIndex(pageOf[i]);
        for (Qt::FocusReason reason : {Qt::TabFocusReason, Qt::OtherFocusReason}) {
            list->clearFocus();
            list->setItemIndex(-1);
            list->setFocus(reason);  // by Tab the view's cursor rests on the first row, unselected
            QSignalSpy clicks(list, &SortedListBox::itemClicked);
            QTest::keyClick(list, Qt::Key_Down);
            EXPECT_EQ(list->itemIndex(), 0) << name << " focus reason " << reason;
            EXPECT_EQ(clicks.count(), 1) << name;
            QTest::keyClick(list, Qt::Key_Down);
            EXPECT_EQ(list->itemIndex(), 1) << name;
        }
    }
}

TEST_F(PagesInUse, ANewFontReachesTheLabelsAndListRowsAtOnce) {
    QFont big(QStringLiteral("DejaVu Sans"), 16);
    big.setBold(true);
    script.fontAnswers.push_back(dialogs::FontChoice{big, colors::clWindowText});
    form->ComboEdit1ButtonClick();
    const QFontMetrics fm(form->font());
    ASSERT_GE(fm.height(), 20);

    for (SortedListBox* list : lists()) {
        EXPECT_GE(list->visualRect(list->list()->index(0)).height(), fm.height()) << list->objectName().toStdString();
        EXPECT_GE(list->horizontalScrollBar()->maximum() + list->viewport()->width(),
                  fm.horizontalAdvance(list->list()->text(0)))
            << list->objectName().toStdString();
    }

    // The status line: its text whole and in sight, after a run and after
    // the layout.
    form->find->SpeedButton1Click();
    form->PageControl1->setCurrentWidget(form->find);
    form->show();
    form->Timer1Timer();
    const TAutoSizeLabel* status = form->find->Label1;
    EXPECT_EQ(status->text(), QString::fromUtf8("Поиск завершен, найдено: 3"));
    EXPECT_GE(status->height(), fm.height());
    EXPECT_GE(status->width(), fm.horizontalAdvance(status->text()));
    EXPECT_EQ(status->visibleRegion(), QRegion(status->rect()));  // nothing lies over it
}
