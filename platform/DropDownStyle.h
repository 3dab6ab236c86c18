#pragma once
// The classic drop-down list's popup: it opens below the box with at most
// the box's visible-item count of rows and a scroll bar (some styles
// otherwise open a popup as tall as the whole list over the box).
#include <QComboBox>
#include <QProxyStyle>

namespace kodrix {

class DropDownStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    // Gives a box this popup, rows at most.
    static void apply(QComboBox* box, int rows) {
        box->setMaxVisibleItems(rows);
        auto* style = new DropDownStyle;
        style->setParent(box);
        box->setStyle(style);
    }
};

}  // namespace kodrix
