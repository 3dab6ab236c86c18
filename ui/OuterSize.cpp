#include "ui/OuterSize.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace kodrix {

namespace {
// How long after a sizing the window manager's frame may still arrive.
constexpr int kFrameSettleMs = 2000;

QMargins frameOf(const QWidget* window) {
    return window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
}
}  // namespace

OuterSizeKeeper::OuterSizeKeeper(QWidget* window, QSize outer, std::function<void()> placed)
    : QObject(window), window_(window), outer_(outer), placed_(std::move(placed)), settling_(0) {
    window_->installEventFilter(this);
}

void OuterSizeKeeper::apply() {
    size();
    settling_.setRemainingTime(kFrameSettleMs);
}

void OuterSizeKeeper::size() {
    const QMargins frame = frameOf(window_);
    window_->resize(outer_.width() - frame.left() - frame.right(), outer_.height() - frame.top() - frame.bottom());
    if (placed_) placed_();
}

bool OuterSizeKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && !settling_.hasExpired() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize) && !frameOf(window_).isNull() &&
        !window_->isMaximized() && window_->frameGeometry().size() != outer_) {
        settling_ = QDeadlineTimer(0);
        size();
    }
    return false;
}

}  // namespace kodrix
