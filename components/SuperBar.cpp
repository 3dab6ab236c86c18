#include "components/SuperBar.h"

#include "catalogue/Error.h"
#include "catalogue/Messages.h"

#include <QPainter>
#include <QPaintEvent>
#include <qdrawutil.h>

#include <string>

namespace kodrix {

namespace {

constexpr int kTopBorder = 2;   // space above the panels
constexpr int kPanelGap = 2;    // space between two panels
constexpr int kTextMargin = 2;  // text inset from the panel's frame

[[noreturn]] void listIndexOutOfBounds(int index) {
    throw Error(messages::listIndexOutOfBounds(index));
}

}  // namespace

TVorlentaBar::TVorlentaBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(true);
}

int TVorlentaBar::addPanel(int width, const QString& text) {
    panels_.push_back({width, text});
    update();
    return panelCount() - 1;
}

const TVorlentaBar::Panel& TVorlentaBar::panel(int index) const {
    if (index < 0 || index >= panelCount()) listIndexOutOfBounds(index);
    return panels_[index];
}

int TVorlentaBar::panelWidth(int index) const { return panel(index).width; }

void TVorlentaBar::setPanelWidth(int index, int width) {
    if (panel(index).width == width) return;
    panels_[index].width = width;
    update();
}

QString TVorlentaBar::panelText(int index) const { return panel(index).text; }

void TVorlentaBar::setPanelText(int index, const QString& text) {
    if (panel(index).text == text) return;
    panels_[index].text = text;
    update(panelRect(index));
}

QRect TVorlentaBar::panelRect(int index) const {
    panel(index);  // index check
    int left = 0;
    for (int i = 0; i < index; ++i) left += qMax(0, panels_[i].width);
    const int right = index == panelCount() - 1 ? width() : left + qMax(0, panels_[index].width);
    return QRect(left, 0, qMax(0, right - left), height());
}

void TVorlentaBar::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(backgroundRole()));
    p.setFont(font());
    p.setPen(palette().color(foregroundRole()));
    for (int i = 0; i < panelCount(); ++i) {
        const QRect frame = panelRect(i).adjusted(0, kTopBorder, -kPanelGap, 0);
        if (frame.width() <= 0 || frame.height() <= 0 || !frame.intersects(event->rect())) continue;
        qDrawShadePanel(&p, frame, palette(), /*sunken*/ true, 1);
        const QString& text = panels_[i].text;
        if (text.isEmpty()) continue;
        const QRect inner = frame.adjusted(kTextMargin + 1, 1, -(kTextMargin + 1), -1);
        p.save();
        p.setClipRect(inner);
        p.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        p.restore();
    }
}

}  // namespace kodrix
