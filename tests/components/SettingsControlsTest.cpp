#include "components/ColorBox.h"
#include "components/ComboEdit.h"

#include "platform/dialogs/Dialogs.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace kodrix;
using namespace kodrix::colors;

namespace {

struct ColorBoxTest : testing::Test {
    dialogs::DialogScript script;
    TColorBox box;
    QSignalSpy changes{&box, &TColorBox::colorChanged};

    // The user moves the selection with the keyboard, as from the list.
    void pick(int index) {
        const int steps = index - box.currentIndex();
        for (int i = 0; i < std::abs(steps); ++i) QTest::keyClick(&box, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }
    TColor changed(int i) const { return changes.at(i).at(0).value<TColor>(); }
};

}  // namespace

TEST_F(ColorBoxTest, ListsCustomStandardExtendedAndSystemColours) {
    ASSERT_EQ(box.count(), 1 + 16 + 4 + 30);
    EXPECT_EQ(box.itemText(0), "Custom...");
    EXPECT_EQ(box.itemText(1), "Black");
    EXPECT_EQ(box.itemText(16), "White");
    EXPECT_EQ(box.itemText(17), "MoneyGreen");
    EXPECT_EQ(box.itemText(20), "MedGray");
    EXPECT_EQ(box.itemText(21), "3DDkShadow");
    EXPECT_EQ(box.colorAt(box.findText("BtnFace")), clBtnFace);
    EXPECT_EQ(box.colorAt(box.findText("SkyBlue")), clSkyBlue);
    EXPECT_EQ(box.selected(), clBlack);
}

TEST_F(ColorBoxTest, SelectingByNumberFromCodeRaisesNoChange) {
    box.setSelected(clBtnFace);
    EXPECT_EQ(box.currentText(), "BtnFace");
    EXPECT_EQ(box.selected(), clBtnFace);
    const TColor odd = TColor::fromRgb(1, 2, 3);
    box.setSelected(odd);  // no entry of its own: the custom entry takes it
    EXPECT_EQ(box.currentIndex(), TColorBox::kCustomIndex);
    EXPECT_EQ(box.selected(), odd);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_TRUE(script.colorRequests.empty());
}

TEST_F(ColorBoxTest, UserSelectionAndTheCustomEntryThroughTheColourDialog) {
    box.setSelected(clRed);
    pick(box.currentIndex() + 1);  // Lime
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changed(0), clLime);

    box.setSelected(TColor::fromRgb(1, 2, 3));
    box.setSelected(clBlack);
    pick(TColorBox::kCustomIndex);  // cancelled: the selection stays
    ASSERT_EQ(script.colorRequests.size(), 1u);
    EXPECT_EQ(script.colorRequests[0], QColor(1, 2, 3));  // the dialog starts at the custom colour
    EXPECT_EQ(box.selected(), clBlack);
    EXPECT_EQ(changes.count(), 1);

    script.colorAnswers.push_back(QColor(10, 20, 30));
    pick(TColorBox::kCustomIndex);
    EXPECT_EQ(box.currentIndex(), TColorBox::kCustomIndex);
    EXPECT_EQ(box.selected(), TColor::fromRgb(10, 20, 30));
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changed(1), TColor::fromRgb(10, 20, 30));
}

TEST(ComboEdit, ReadOnlyTextAndAButtonWithItsHint) {
    TComboEdit edit;
    edit.setText("MS Sans Serif");
    QTest::keyClicks(edit.edit(), "typed");
    QTest::keyClick(edit.edit(), Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "MS Sans Serif");
    edit.setText("A face name much wider than the box it is shown in");
    EXPECT_EQ(edit.edit()->cursorPosition(), 0);  // shown from its beginning
    edit.setButtonHint("Выберите нужный шрифт");
    EXPECT_EQ(edit.button()->toolTip(), "Выберите нужный шрифт");
    QSignalSpy clicks(&edit, &TComboEdit::buttonClick);
    QTest::mouseClick(edit.button(), Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(FontDialog, StartsAsMsSansSerif8AndTakesAConfirmedChoiceOnly) {
    dialogs::DialogScript script;
    dialogs::FontDialog dialog;
    EXPECT_EQ(dialog.Font.family(), "MS Sans Serif");
    EXPECT_EQ(dialog.Font.pointSize(), 8);
    EXPECT_EQ(dialog.Color, colors::clWindowText);
    EXPECT_FALSE(dialog.Execute(nullptr));  // no answer: cancelled
    QFont bold("Arial", 12);
    bold.setBold(true);
    script.fontAnswers.push_back(dialogs::FontChoice{bold, colors::clMaroon});
    EXPECT_TRUE(dialog.Execute(nullptr));
    EXPECT_EQ(dialog.Font, bold);
    EXPECT_EQ(dialog.Color, colors::clMaroon);  // the colour is chosen with the font
    ASSERT_EQ(script.fontRequests.size(), 2u);
    EXPECT_EQ(script.fontRequests[1].font.family(), "MS Sans Serif");
    EXPECT_EQ(script.fontRequests[1].color, colors::clWindowText);
    EXPECT_FALSE(dialog.Execute(nullptr));  // cancelled: the choice stays
    EXPECT_EQ(dialog.Color, colors::clMaroon);
}
