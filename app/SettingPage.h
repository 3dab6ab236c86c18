#pragma once
// The "Настройки" page: the main window's font and colour. The main window
// handles its two events (the font button and the colour box), since both
// change the window itself.
#include "platform/dialogs/Dialogs.h"

#include <QWidget>

namespace kodrix {

class TColorBox;
class TComboEdit;

class SettingPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingPage(QWidget* parent = nullptr);

    TComboEdit* ComboEdit1 = nullptr;  // the font's face name; its button opens the font dialog
    TColorBox* ColorBox1 = nullptr;    // the window's colour
    dialogs::FontDialog FontDialog1;   // starts at "MS Sans Serif", 8 point

    // The page's layout rule: the colour box stands 10 pixels below the
    // font box, whatever height the font gives it.
    void applyLayout();
};

}  // namespace kodrix
