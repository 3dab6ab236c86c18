#include "SystemTrayService.h"

#include "platform/Text.h"

#include <QCursor>

namespace kodrix::notify {

SystemTrayService::SystemTrayService(QObject* parent) : QObject(parent) {}

SystemTrayService::~SystemTrayService() {
    for (auto& [key, entry] : icons_) delete entry.tray;
}

std::vector<std::uint32_t> SystemTrayService::mouseMessagesFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger: return {kLeftButtonDown, kLeftButtonUp};
    case QSystemTrayIcon::Context: return {kRightButtonDown, kRightButtonUp};
    case QSystemTrayIcon::DoubleClick: return {kLeftButtonDoubleClick, kLeftButtonUp};
    case QSystemTrayIcon::MiddleClick: return {kMiddleButtonDown, kMiddleButtonUp};
    case QSystemTrayIcon::Unknown: break;
    }
    return {};
}

void SystemTrayService::apply(Entry& entry, const IconRecord& record) {
    if (record.flags & kFlagMessage) {
        entry.callbackMessage = record.callbackMessage;
        entry.sendsMessages = true;
    }
    if (record.flags & kFlagIcon) entry.tray->setIcon(record.icon);
    if (record.flags & kFlagTip) entry.tray->setToolTip(fromCp1251(record.tip.substr(0, kTipCapacity)));
}

bool SystemTrayService::add(const IconRecord& record) {
    if (!record.window || !QSystemTrayIcon::isSystemTrayAvailable()) return false;
    const Key key{record.window, record.id};
    if (icons_.count(key)) return false;

    Entry entry;
    entry.tray = new QSystemTrayIcon();
    apply(entry, record);
    icons_[key] = entry;

    QObject* window = record.window;
    const std::uint32_t id = record.id;
    connect(entry.tray, &QSystemTrayIcon::activated, this, [this, window, id](QSystemTrayIcon::ActivationReason reason) {
        auto it = icons_.find(Key{window, id});
        if (it == icons_.end() || !it->second.sendsMessages) return;
        for (std::uint32_t message : mouseMessagesFor(reason))
            postIconMessage(window, it->second.callbackMessage, id, message);
    });
    // A window that goes takes its icons with it.
    connect(window, &QObject::destroyed, this, &SystemTrayService::removeAllOf, Qt::UniqueConnection);
    entry.tray->show();
    return true;
}

bool SystemTrayService::modify(const IconRecord& record) {
    auto it = icons_.find(Key{record.window, record.id});
    if (it == icons_.end()) return false;
    apply(it->second, record);
    return true;
}

bool SystemTrayService::remove(const IconRecord& record) {
    auto it = icons_.find(Key{record.window, record.id});
    if (it == icons_.end()) return false;
    QSystemTrayIcon* tray = it->second.tray;
    icons_.erase(it);
    tray->hide();
    tray->deleteLater();  // the request may come from inside the icon's own signal
    return true;
}

void SystemTrayService::removeAllOf(QObject* window) {
    for (auto it = icons_.begin(); it != icons_.end();) {
        if (it->first.first == window) {
            it->second.tray->hide();
            it->second.tray->deleteLater();
            it = icons_.erase(it);
        } else {
            ++it;
        }
    }
}

QPoint SystemTrayService::cursorPos() const { return QCursor::pos(); }

}  // namespace kodrix::notify
