#include "SystemTrayService.h"

#include "platform/Text.h"

#include <QCursor>

namespace kodrix::notify {

namespace {

// The tray host is looked for this often while an icon is shown: often
// enough that a window hidden behind a vanished icon comes back at once, and
// too seldom to cost anything.
constexpr int kAreaCheckMs = 1000;

}  // namespace

SystemTrayService::SystemTrayService(QObject* parent)
    : QObject(parent), areaProbe_([] { return QSystemTrayIcon::isSystemTrayAvailable(); }) {
    areaCheck_.setInterval(kAreaCheckMs);
    connect(&areaCheck_, &QTimer::timeout, this, &SystemTrayService::checkArea);
}

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
    if (!record.window || !areaProbe_()) return false;
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
    areaCheck_.start();
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
    if (icons_.empty()) areaCheck_.stop();
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
    if (icons_.empty()) areaCheck_.stop();
}

void SystemTrayService::checkArea() {
    if (icons_.empty() || areaProbe_()) return;
    for (auto& [key, entry] : icons_) {
        entry.tray->hide();
        entry.tray->deleteLater();
        postAreaGone(key.first, key.second);
    }
    icons_.clear();
    areaCheck_.stop();
}

QPoint SystemTrayService::cursorPos() const { return QCursor::pos(); }

}  // namespace kodrix::notify
