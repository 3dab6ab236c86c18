#pragma once
// TTrayIcon: one icon in the desktop's notification area (the tray). It adds,
// changes and removes the icon through the notification service, turns the
// service's mouse notifications into its events, and can cycle the icon
// through a list of frames on a timer.
//
// The control itself is a 1 x 1 child of its owner; it is the window the
// service knows the icon by and posts the icon's callback message to. It
// handles two window messages: the callback message (0x40A, WMIconCallback)
// and the animation timer (WMTimer, timer 147).
//
// Published properties ignore a write of an equal value. While the icon is
// shown (Enabled), a change of Icon, DisabledIcon, Tip, ShowTip, TaskIconID or
// State refreshes it with a modify request.
//
// Enabled is the icon's presence, not the widget's enabled flag: setEnabled
// here hides QWidget::setEnabled, and the widget itself always stays enabled.
#include "platform/notify/NotificationService.h"

#include <QBasicTimer>
#include <QIcon>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

namespace kodrix {

enum TStateTaskIcon { tiEnabled = 0, tiDisabled = 1, tiAnimated = 2 };
enum TWhereTaskIcon { tiInFiles = 0, tiInExe = 1 };
enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };
using TShiftState = Qt::KeyboardModifiers;

// Events take the sender first; an event fires only when it is attached.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

class TTrayIcon : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ enabled WRITE setEnabled)
    Q_PROPERTY(QIcon Icon READ icon WRITE setIcon)
    Q_PROPERTY(QIcon DisabledIcon READ disabledIcon WRITE setDisabledIcon)
    Q_PROPERTY(QString Tip READ tip WRITE setTip)
    Q_PROPERTY(bool ShowTip READ showTip WRITE setShowTip)
    Q_PROPERTY(quint32 TaskIconID READ taskIconID WRITE setTaskIconID)
    Q_PROPERTY(int State READ stateValue WRITE setStateValue)
    Q_PROPERTY(QStringList IconList READ iconList WRITE setIconList)
    Q_PROPERTY(quint32 Interval READ interval WRITE setInterval)
    Q_PROPERTY(int WhereIcons READ whereIconsValue WRITE setWhereIconsValue)

public:
    static constexpr std::uint32_t kCallbackMessage = 0x40A;  // WM_USER + 10
    static constexpr std::uint32_t kAnimationTimer = 147;
    static constexpr int kMaxTipLength = 64;

    // service: the notification service to use; the desktop's when null.
    explicit TTrayIcon(QWidget* owner = nullptr, notify::NotificationService* service = nullptr);
    // Removes the icon when it is shown.
    ~TTrayIcon() override;

    // True while the icon is in the notification area. True sends an add
    // request, False a delete request; the value follows the request's
    // result, so a refused delete leaves it True and the next False retries.
    bool enabled() const { return Enabled_; }
    void setEnabled(bool value);

    // The image shown in state tiEnabled (tiDisabled). A write copies the
    // image; only passing the component's own icon object counts as equal.
    const QIcon& icon() const { return Icon_; }
    void setIcon(const QIcon& value);
    const QIcon& disabledIcon() const { return DisabledIcon_; }
    void setDisabledIcon(const QIcon& value);

    // The tooltip, at most 64 single-byte (cp1251) characters: a longer
    // value is cut to 64 before it is compared and stored. The service's
    // record holds 63 characters, so a 64-character tip shows its first 63.
    QString tip() const;
    const std::string& tipBytes() const { return Tip_; }
    void setTip(const QString& value);
    // When False an empty tooltip is sent.
    bool showTip() const { return ShowTip_; }
    void setShowTip(bool value);

    // The icon's identifier within this window. Changing it while shown sends
    // the modify request under the new identifier (which the service, knowing
    // the icon by the old one, refuses); removal uses the identifier of the add.
    std::uint32_t taskIconID() const { return TaskIconID_; }
    void setTaskIconID(std::uint32_t value);

    TStateTaskIcon state() const { return State_; }
    // tiAnimated restarts the frames at 0 (and the timer, when shown); any
    // other state stops the timer when shown.
    void setState(TStateTaskIcon value);

    // Animation frames, one name per line. A write copies the lines and does
    // nothing else.
    const QStringList& iconList() const { return IconList_; }
    void setIconList(const QStringList& value);

    // The animation period in milliseconds. While shown a change restarts
    // the timer with the new period and the frames at 0. The timer runs at
    // least every 10 ms (a period of 0 would otherwise spin).
    std::uint32_t interval() const { return Interval_; }
    void setInterval(std::uint32_t value);

    // tiInFiles: a frame name is a file name (absolute, or relative to the
    // current folder; "\" or "/" between folders). The name is upper-cased
    // (Windows file names ignore case); on a case-sensitive disk every part
    // of it is then matched to the real names without regard to case. Any image
    // format Qt reads serves (.ico, .png, ...). A file that cannot be read
    // raises the program's file error ("Cannot open file ..."); a file that
    // holds no image gives an empty frame.
    // tiInExe: a frame name is the name of one of the program's own icon
    // resources (ProgramIcon.h); an unknown name gives an empty frame.
    TWhereTaskIcon whereIcons() const { return WhereIcons_; }
    void setWhereIcons(TWhereTaskIcon value);

    TNotifyEvent OnDblClick;
    TNotifyEvent OnClick;  // a button release when OnMouseUp is not attached
    TMouseEvent OnMouseUp;
    TMouseEvent OnMouseDown;
    TNotifyEvent OnAnimate;  // after each animation step while animated and shown

    // The icon's callback message: wParam = the icon identifier (a negative
    // value never matches), lParam = the mouse message. X and Y of the mouse
    // events are the pointer's screen position, read from the service now;
    // Shift is always empty.
    void WMIconCallback(std::int64_t wParam, std::uint32_t lParam);
    // A timer message; only timer 147 with a non-empty IconList does anything.
    void WMTimer(std::uint32_t timerId);

    // Errors thrown while a window message is handled (an event handler's, a
    // frame file's) must not cross the event loop. The owner installs its
    // error report here; without one they are dropped.
    using MessageGuard = std::function<void(const std::function<void()>& handle)>;
    void setMessageGuard(MessageGuard guard) { guard_ = std::move(guard); }

    // Read-only views of the internal state.
    const notify::IconRecord& iconData() const { return FIconData; }  // the record of the last add
    const QIcon& frameIcon() const { return FFrameIcon; }
    int frameIndex() const { return FFrameIndex; }
    const std::string& iconName() const { return FIconName; }  // cp1251, upper-cased
    bool animationTimerActive() const { return animationTimer_.isActive(); }

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    int stateValue() const { return State_; }
    void setStateValue(int value) { setState(static_cast<TStateTaskIcon>(value)); }
    int whereIconsValue() const { return WhereIcons_; }
    void setWhereIconsValue(int value) { setWhereIcons(static_cast<TWhereTaskIcon>(value)); }

    bool AddIcon();
    bool DeleteIcon();
    bool ModifyIcon();
    void LoadFrameIcon();
    notify::IconRecord currentRecord() const;
    void startAnimationTimer();
    void handleMessage(const std::function<void()>& handle);

    notify::NotificationService& service_;
    notify::IconRecord FIconData;
    bool Enabled_ = false;
    QIcon Icon_;
    QIcon DisabledIcon_;
    QIcon FFrameIcon;
    std::string Tip_;  // cp1251
    bool ShowTip_ = false;
    std::uint32_t TaskIconID_ = 0;
    TStateTaskIcon State_ = tiEnabled;
    QStringList IconList_;
    std::uint32_t Interval_ = 1000;
    TWhereTaskIcon WhereIcons_ = tiInFiles;
    int FFrameIndex = 0;
    const std::uint32_t FTimerID = kAnimationTimer;
    // The current frame's name. Held whole: a fixed 50-byte buffer would
    // overflow on a longer name.
    std::string FIconName;
    QBasicTimer animationTimer_;  // ticks arrive as WMTimer(FTimerID)
    MessageGuard guard_;
};

}  // namespace kodrix
