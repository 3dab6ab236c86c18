#include "components/ColorBox.h"

#include "platform/DropDownStyle.h"
#include "platform/dialogs/Dialogs.h"

#include <QEvent>

namespace kodrix {
namespace {

constexpr int kColorRole = Qt::UserRole;

QString displayName(const char* identifier) { return QString::fromLatin1(identifier).mid(2); }  // without "cl"

}  // namespace

TColorBox::TColorBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    DropDownStyle::apply(this, 16);
    addColor(colors::clBlack, QStringLiteral("Custom..."));
    for (auto table : {standardColors(), extendedColors(), systemColors()})
        for (const NamedColor& c : table) addColor(c.color, displayName(c.identifier));
    setCurrentIndex(1);  // black
    lastIndex_ = currentIndex();
    connect(this, &QComboBox::activated, this, &TColorBox::userSelected);
}

void TColorBox::addColor(TColor color, const QString& name) {
    addItem(colorSwatch(color.toQColor(palette())), name);
    setItemData(count() - 1, color.number(), kColorRole);
}

TColor TColorBox::colorAt(int index) const { return TColor(itemData(index, kColorRole).toInt()); }

void TColorBox::setColorAt(int index, TColor color) {
    setItemData(index, color.number(), kColorRole);
    setItemIcon(index, colorSwatch(color.toQColor(palette())));
}

TColor TColorBox::selected() const { return colorAt(currentIndex()); }

void TColorBox::setSelected(TColor color) {
    for (int i = kCustomIndex + 1; i < count(); ++i) {
        if (colorAt(i) == color) {
            setCurrentIndex(i);
            lastIndex_ = i;
            return;
        }
    }
    setColorAt(kCustomIndex, color);
    setCurrentIndex(kCustomIndex);
    lastIndex_ = kCustomIndex;
}

void TColorBox::userSelected(int index) {
    if (index == kCustomIndex) {
        const auto chosen = dialogs::chooseColor(this, colorAt(kCustomIndex).toQColor(palette()));
        if (!chosen) {
            setCurrentIndex(lastIndex_);
            return;
        }
        setColorAt(kCustomIndex, TColor::fromQColor(*chosen));
    }
    lastIndex_ = index;
    emit colorChanged(colorAt(index));
}

void TColorBox::refreshSwatches() {
    for (int i = 0; i < count(); ++i) setItemIcon(i, colorSwatch(colorAt(i).toQColor(palette())));
}

void TColorBox::changeEvent(QEvent* event) {
    // System colours follow the palette.
    if (event->type() == QEvent::PaletteChange) refreshSwatches();
    QComboBox::changeEvent(event);
}

}  // namespace kodrix
