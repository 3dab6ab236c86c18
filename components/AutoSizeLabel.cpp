#include "components/AutoSizeLabel.h"

#include <QEvent>
#include <algorithm>

namespace kodrix {

TAutoSizeLabel::TAutoSizeLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void TAutoSizeLabel::setText(const QString& text) {
    if (text == this->text()) return;
    QLabel::setText(text);
    fitToText();
}

void TAutoSizeLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);  // the label's own size hint follows the font first
    if (event->type() == QEvent::FontChange) fitToText();
}

void TAutoSizeLabel::fitToText() {
    const QSize text = sizeHint();
    setMinimumWidth(text.width());
    resize(std::max(width(), text.width()), text.height());
}

}  // namespace kodrix
