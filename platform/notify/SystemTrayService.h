#pragma once
// The notification-area service over QSystemTrayIcon: one QSystemTrayIcon per
// icon, keyed by owner window and identifier.
//
// The desktop reports clicks, not button presses, so each activation becomes
// the press and release the classic service would have reported:
//   Trigger (a left click)           -> left down, left up
//   Context (a right click)          -> right down, right up
//   DoubleClick (a second left click) -> left double click, left up
//     (the first click of the pair has already come as a Trigger, and the
//     classic service reports the second press of a double click as the
//     double-click message)
//   MiddleClick                      -> middle down, middle up
// The messages are posted to the owner window one after the other.
//
// While icons are shown, the service looks once a second whether the
// desktop still has a notification area; when its host has ended, every
// icon is dropped and its owner told (AreaGoneEvent), so that a window hidden
// behind its icon can come back.
#include "NotificationService.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>

#include <map>
#include <utility>
#include <vector>

namespace kodrix::notify {

class SystemTrayService : public QObject, public NotificationService {
    Q_OBJECT
public:
    explicit SystemTrayService(QObject* parent = nullptr);
    ~SystemTrayService() override;

    // Add fails when the desktop has no notification area
    // (QSystemTrayIcon::isSystemTrayAvailable() is false).
    bool add(const IconRecord& record) override;
    bool modify(const IconRecord& record) override;
    bool remove(const IconRecord& record) override;
    QPoint cursorPos() const override;

    // The mouse messages one desktop activation stands for, in order.
    static std::vector<std::uint32_t> mouseMessagesFor(QSystemTrayIcon::ActivationReason reason);

    // How the service learns whether there is a notification area (the
    // desktop's answer; tests give their own).
    void setAreaProbe(std::function<bool()> probe) { areaProbe_ = std::move(probe); }
    // Looks now: without an area, every icon is dropped and its owner told.
    void checkArea();

private:
    struct Entry {
        QSystemTrayIcon* tray = nullptr;
        std::uint32_t callbackMessage = 0;
        bool sendsMessages = false;
    };
    using Key = std::pair<QObject*, std::uint32_t>;

    void apply(Entry& entry, const IconRecord& record);
    void removeAllOf(QObject* window);  // connected to the window's destroyed()

    std::map<Key, Entry> icons_;
    QTimer areaCheck_;  // runs while icons are shown
    std::function<bool()> areaProbe_;
};

}  // namespace kodrix::notify
