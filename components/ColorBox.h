#pragma once
// TColorBox: a drop-down list of colours, each shown with a swatch and its
// name. It lists a "Custom..." entry first, then the 16 standard colours, the
// extended colours (money green, sky blue, cream, medium grey) and the system
// colours. Names are the toolkit's colour identifiers without their "cl"
// ("Black", "MoneyGreen", "BtnFace"). System colours are drawn in the colours
// they have now (ColorNumbers.h).
//
// Choosing "Custom..." opens the colour dialog at the custom entry's colour;
// a confirmed choice becomes the custom entry's colour and the selection, a
// cancelled one leaves the selection as it was.
#include "platform/ColorNumbers.h"

#include <QComboBox>

namespace kodrix {

class TColorBox : public QComboBox {
    Q_OBJECT
public:
    explicit TColorBox(QWidget* parent = nullptr);

    // The colour number of the selected entry.
    TColor selected() const;
    // Selects the first entry of that number; a number that no named entry
    // has becomes the custom entry's colour, selected. Raises no colorChanged.
    void setSelected(TColor color);

    TColor colorAt(int index) const;
    static constexpr int kCustomIndex = 0;

signals:
    // A colour chosen by the user (a named entry, or a confirmed custom one).
    void colorChanged(kodrix::TColor color);

protected:
    void changeEvent(QEvent* event) override;

private:
    void addColor(TColor color, const QString& name);
    void setColorAt(int index, TColor color);
    void refreshSwatches();
    void userSelected(int index);

    int lastIndex_ = -1;
};

}  // namespace kodrix
