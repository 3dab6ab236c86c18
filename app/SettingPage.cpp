#include "app/SettingPage.h"

#include "components/ColorBox.h"
#include "components/ComboEdit.h"
#include "ui/Bounds.h"

namespace kodrix {

SettingPage::SettingPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("setting"));

    ComboEdit1 = new TComboEdit(this);
    ComboEdit1->setObjectName(QStringLiteral("ComboEdit1"));
    ComboEdit1->setGeometry(0, 32, 161, 21);
    ComboEdit1->setButtonHint(QStringLiteral("Выберите нужный шрифт"));

    ColorBox1 = new TColorBox(this);
    ColorBox1->setObjectName(QStringLiteral("ColorBox1"));
    ColorBox1->setGeometry(0, 64, 161, 22);
}

void SettingPage::applyLayout() {
    bounds::setTop(ColorBox1, ComboEdit1->y() + ComboEdit1->height() + 10);
}

}  // namespace kodrix
