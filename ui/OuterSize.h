#pragma once
// Top-level windows sized by their outer size, frame and title bar included,
// as the classic toolkit sizes them. The window manager tells a window's
// frame only once it has framed the window (after it is mapped, and anew
// after a change of state such as leaving the maximised state), so the
// client size is set from the frame as far as it is known, and put right
// when the frame arrives.
#include <QDeadlineTimer>
#include <QObject>
#include <QSize>
#include <functional>

class QWidget;

namespace kodrix {

class OuterSizeKeeper : public QObject {
public:
    // placed runs after every sizing; the owner may move the window there.
    OuterSizeKeeper(QWidget* window, QSize outer, std::function<void()> placed = {});

    // Sizes the client so that the outer size is the one given, with the
    // frame known now (none before the window is framed). For two seconds
    // after, the first move or resize that shows a frame and another outer
    // size sizes it once more.
    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void size();

    QWidget* window_;
    QSize outer_;
    std::function<void()> placed_;
    QDeadlineTimer settling_;  // expired: the frame is taken as settled
};

}  // namespace kodrix
