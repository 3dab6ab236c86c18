#pragma once
// The desktop's notification-area service, as the tray component uses it:
// add, change and remove one icon known by its owner window and a numeric
// identifier, with an image and a tooltip; the icon's mouse activity comes
// back to the owner window as a posted message; the pointer's screen
// position can be read.
//
// The records and numbers are those of the classic notification-icon call
// (first-version record, callback message with the icon identifier and the
// mouse message), so the component's logic stays as it is on any desktop.
#include <QEvent>
#include <QIcon>
#include <QPoint>

#include <cstdint>
#include <string>

class QObject;

namespace kodrix::notify {

// Requests.
constexpr std::uint32_t kAdd = 0;
constexpr std::uint32_t kModify = 1;
constexpr std::uint32_t kDelete = 2;

// Record flags: which members of the record are valid.
constexpr std::uint32_t kFlagMessage = 1;
constexpr std::uint32_t kFlagIcon = 2;
constexpr std::uint32_t kFlagTip = 4;

// Mouse messages delivered as the callback message's second parameter.
constexpr std::uint32_t kMouseMove = 0x200;
constexpr std::uint32_t kLeftButtonDown = 0x201;
constexpr std::uint32_t kLeftButtonUp = 0x202;
constexpr std::uint32_t kLeftButtonDoubleClick = 0x203;
constexpr std::uint32_t kRightButtonDown = 0x204;
constexpr std::uint32_t kRightButtonUp = 0x205;
constexpr std::uint32_t kRightButtonDoubleClick = 0x206;
constexpr std::uint32_t kMiddleButtonDown = 0x207;
constexpr std::uint32_t kMiddleButtonUp = 0x208;

// The tooltip member holds 63 single-byte characters and a terminator.
constexpr std::size_t kTipCapacity = 63;

struct IconRecord {
    static constexpr std::uint32_t kRecordSize = 88;  // first-version record, single-byte characters

    std::uint32_t size = kRecordSize;
    QObject* window = nullptr;         // the owner; receives the callback as an IconMessageEvent
    std::uint32_t id = 0;              // the icon's identifier within its owner
    std::uint32_t flags = 0;           // kFlagMessage | kFlagIcon | kFlagTip
    std::uint32_t callbackMessage = 0; // message number posted to the owner
    QIcon icon;
    std::string tip;                   // cp1251, at most kTipCapacity bytes
};

// The callback message as it reaches the owner window through its event
// queue: message number, first parameter (the icon identifier), second
// parameter (the mouse message).
class IconMessageEvent : public QEvent {
public:
    IconMessageEvent(std::uint32_t message, std::int64_t wParam, std::uint32_t lParam);
    static QEvent::Type eventType();

    std::uint32_t message;
    std::int64_t wParam;
    std::uint32_t lParam;
};

// Posts the callback message to the owner window (handled later by its event
// loop, like a posted window message). Nothing happens when window is null.
void postIconMessage(QObject* window, std::uint32_t message, std::int64_t wParam, std::uint32_t lParam);

// The notification area went away (its host ended) and took an icon with it:
// posted to the icon's owner window with the icon's identifier. The service
// has forgotten the icon by then; a later add tries the desktop again.
class AreaGoneEvent : public QEvent {
public:
    explicit AreaGoneEvent(std::uint32_t id);
    static QEvent::Type eventType();

    std::uint32_t id;
};

void postAreaGone(QObject* window, std::uint32_t id);

class NotificationService {
public:
    virtual ~NotificationService();

    // Each returns whether the service accepted the request. Add fails when
    // an icon with the record's window and identifier is already there;
    // modify and delete fail when none is.
    virtual bool add(const IconRecord& record) = 0;
    virtual bool modify(const IconRecord& record) = 0;
    virtual bool remove(const IconRecord& record) = 0;

    // The pointer's position in screen coordinates, read now.
    virtual QPoint cursorPos() const = 0;
};

// The desktop's service of this process (the QSystemTrayIcon backend),
// created on first use and owned by the application object.
NotificationService& systemService();

}  // namespace kodrix::notify
