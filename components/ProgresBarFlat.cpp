#include "components/ProgresBarFlat.h"

#include <QPainter>
#include <qdrawutil.h>

namespace kodrix {

TNProgressBar::TNProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    setRange(0, 100);
    setValue(0);
}

void TNProgressBar::setMin(int value) {
    if (value == minimum()) return;
    setMinimum(value);  // raises Max and Position to it when below
}

void TNProgressBar::setMax(int value) {
    if (value == maximum()) return;
    setMaximum(value);  // lowers Min to it when above
}

void TNProgressBar::setPosition(int value) {
    // QProgressBar ignores values out of range; the bar pins them instead.
    value = qBound(minimum(), value, maximum());
    if (value == this->value()) return;
    // QProgressBar repaints at once on every change it cannot compare with
    // what it painted last, and this bar paints itself: a long loop writing
    // positions would draw the bar every time. The bar is redrawn, later and
    // once, only when the change reaches a pixel.
    const int before = filledWidth();
    setAttribute(Qt::WA_UpdatesDisabled, true);
    setValue(value);
    setAttribute(Qt::WA_UpdatesDisabled, false);
    if (filledWidth() != before) update();
}

int TNProgressBar::filledWidth() const {
    const long long range = (long long)maximum() - minimum();
    const int width = qMax(0, this->width() - 2);
    return range <= 0 ? 0 : int(((long long)value() - minimum()) * width / range);
}

void TNProgressBar::setSmooth(bool smooth) {
    if (smooth == smooth_) return;
    smooth_ = smooth;
    update();
}

void TNProgressBar::setShowFrame(bool show) {
    if (show == showFrame_) return;
    showFrame_ = show;
    update();  // the whole control, frame included, is painted anew
}

void TNProgressBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(backgroundRole()));
    paintBar(p, rect().adjusted(1, 1, -1, -1));
    WMNCPAINT(p);
}

void TNProgressBar::paintBar(QPainter& p, const QRect& inside) {
    if (inside.width() <= 0 || inside.height() <= 0) return;
    const int filled = filledWidth();
    if (filled <= 0) return;
    const QColor bar = palette().color(QPalette::Highlight);
    if (smooth_) {
        p.fillRect(QRect(inside.left(), inside.top(), filled, inside.height()), bar);
        return;
    }
    // Blocks two thirds as wide as the bar is high, two pixels apart; the
    // last block is drawn whole once the bar reaches into it.
    const int block = qMax(2, inside.height() * 2 / 3);
    const int step = block + 2;
    for (int x = 0; x < filled; x += step)
        p.fillRect(QRect(inside.left() + x, inside.top(), qMin(block, inside.width() - x), inside.height()), bar);
}

void TNProgressBar::WMNCPAINT(QPainter& p) {
    const QRect outer = rect();
    if (showFrame_) {
        qDrawShadePanel(&p, outer, palette(), /*sunken*/ true, 1, nullptr);
        return;
    }
    // No frame: its ring of pixels takes the background colour.
    const QColor background = palette().color(backgroundRole());
    const int w = outer.width(), h = outer.height();
    p.fillRect(QRect(0, 0, w, 1), background);
    p.fillRect(QRect(0, h - 1, w, 1), background);
    p.fillRect(QRect(0, 0, 1, h), background);
    p.fillRect(QRect(w - 1, 0, 1, h), background);
}

}  // namespace kodrix
