#include "platform/ApplicationHints.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace kodrix {

ApplicationHints::ApplicationHints(QObject* parent) : QObject(parent) {
    pendingUpdate_.setSingleShot(true);
    pendingUpdate_.setInterval(0);
    connect(&pendingUpdate_, &QTimer::timeout, this, &ApplicationHints::updateFromPointer);
}

void ApplicationHints::startTracking() {
    if (tracking_ || !QCoreApplication::instance()) return;
    QCoreApplication::instance()->installEventFilter(this);
    tracking_ = true;
}

void ApplicationHints::stopTracking() {
    if (!tracking_) return;
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
    tracking_ = false;
    pendingUpdate_.stop();
}

QString ApplicationHints::hintOf(const QWidget* widget) {
    QString text;
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        text = w->toolTip();
        if (!text.isEmpty() || w->isWindow()) break;
    }
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    return bar < 0 ? text : text.mid(bar + 1);
}

void ApplicationHints::updateFromWidget(QWidget* underPointer) {
    const QString text = hintOf(underPointer);
    if (text == hint_) return;
    hint_ = text;
    emit hintChanged(hint_);
}

void ApplicationHints::updateFromPointer() {
    updateFromWidget(QApplication::widgetAt(QCursor::pos()));
}

bool ApplicationHints::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::Wheel:
    case QEvent::ToolTipChange:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched->isWidgetType() && !pendingUpdate_.isActive()) pendingUpdate_.start();
        break;
    default:
        break;
    }
    return false;
}

}  // namespace kodrix
