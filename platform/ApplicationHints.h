#pragma once
// The application's hint: the tooltip text of the control under the mouse
// pointer, taken from the nearest control on the way up to its window that
// has one. Whenever the pointer may have moved to another control (or a
// control's tooltip changed), the hint is worked out again once the pending
// events are handled; when it differs from the current hint, hintChanged
// fires. The main window writes it into the status bar.
#include <QObject>
#include <QString>
#include <QTimer>

class QWidget;

namespace kodrix {

class ApplicationHints : public QObject {
    Q_OBJECT
public:
    explicit ApplicationHints(QObject* parent = nullptr);

    // Watches the whole application's pointer and tooltip events from now on;
    // stopping also drops an update not yet made.
    void startTracking();
    void stopTracking();

    QString hint() const { return hint_; }

    // The hint for a control: its tooltip, else its parent's, and so on up to
    // its window; "" when none has one. A text with "|" gives the part after
    // the first "|".
    static QString hintOf(const QWidget* widget);

    // Takes the hint of the control under the pointer (nullptr: none).
    void updateFromWidget(QWidget* underPointer);
    // The same for the control under the pointer's current position.
    void updateFromPointer();

signals:
    void hintChanged(const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString hint_;
    bool tracking_ = false;
    // Many events arrive for one pointer movement (a Leave, Enters up the
    // parent chain, moves); the hint is worked out once they are handled.
    QTimer pendingUpdate_;
};

}  // namespace kodrix
