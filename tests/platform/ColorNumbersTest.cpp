#include "platform/ColorNumbers.h"

#include "catalogue/Error.h"

#include <QPalette>

#include <gtest/gtest.h>

using namespace kodrix;
using namespace kodrix::colors;

TEST(ColorNumbers, NumbersTextsAndColoursBothWays) {
    // A palette whose roles all differ, so each system colour shows which it took.
    QPalette palette;
    int n = 1;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            palette.setColor(group, QPalette::ColorRole(role), QColor(n++, 100, 200));
    auto role = [&](QPalette::ColorRole r, QPalette::ColorGroup g = QPalette::Active) { return palette.color(g, r); };

    struct Case {
        TColor color;
        const char* text;
        QColor shown;
        const char* identifier;
    };
    const Case cases[] = {
        {clBlack, "0", QColor(0, 0, 0), "clBlack"},
        {clRed, "255", QColor(255, 0, 0), "clRed"},
        {clLime, "65280", QColor(0, 255, 0), "clLime"},
        {clBlue, "16711680", QColor(0, 0, 255), "clBlue"},
        {clWhite, "16777215", QColor(255, 255, 255), "clWhite"},
        {clMoneyGreen, "12639424", QColor(192, 220, 192), "clMoneyGreen"},
        {TColor::fromRgb(0x12, 0x34, 0x56), "5649426", QColor(0x12, 0x34, 0x56), ""},
        {clBtnFace, "-16777201", role(QPalette::Button), "clBtnFace"},
        {clWindow, "-16777211", role(QPalette::Base), "clWindow"},
        {clWindowText, "-16777208", role(QPalette::Text), "clWindowText"},
        {clHighlight, "-16777203", role(QPalette::Highlight), "clHighlight"},
        {clHighlightText, "-16777202", role(QPalette::HighlightedText), "clHighlightText"},
        {clBtnText, "-16777198", role(QPalette::ButtonText), "clBtnText"},
        {clInfoBk, "-16777192", role(QPalette::ToolTipBase), "clInfoBk"},
        {clInfoText, "-16777193", role(QPalette::ToolTipText), "clInfoText"},
        {clGrayText, "-16777199", role(QPalette::Text, QPalette::Disabled), "clGrayText"},
        {clInactiveCaption, "-16777213", role(QPalette::Highlight, QPalette::Inactive), "clInactiveCaption"},
        {clMenuBar, "-16777186", role(QPalette::Window), "clMenuBar"},
        {TColor::system(25), "-16777191", QColor(0, 0, 0), ""},  // no such system colour
        {TColor::system(64), "-16777152", QColor(0, 0, 0), ""},
        {TColor(0x02123456), "34747478", QColor(0x56, 0x34, 0x12), ""},  // other high bytes: the RGB part
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.color.toText(), c.text);
        EXPECT_EQ(TColor::fromText(c.text), c.color);
        EXPECT_EQ(c.color.toQColor(palette), c.shown);
        EXPECT_EQ(c.color.identifier(), c.identifier);
        if (!c.color.isSystem() && (std::uint32_t(c.color.number()) >> 24) == 0) {
            EXPECT_EQ(TColor::fromQColor(c.shown), c.color);
        }
    }
    EXPECT_EQ(clBtnFace.number(), -16777201);
    EXPECT_EQ(clBtnFace.systemIndex(), 15);
}

TEST(ColorNumbers, TextIsReadByTheProgramsIntegerRule) {
    EXPECT_EQ(TColor::fromText("$FF"), clRed);
    EXPECT_EQ(TColor::fromText("$FF00000F"), clBtnFace);
    for (const char* bad : {"", "abc", "12 ", "2147483648", "-16777201.0"}) {
        try {
            TColor::fromText(bad);
            ADD_FAILURE() << bad;
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}
