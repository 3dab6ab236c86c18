#include "NotificationService.h"

#include "SystemTrayService.h"

#include <QCoreApplication>
#include <QPointer>

namespace kodrix::notify {

IconMessageEvent::IconMessageEvent(std::uint32_t message_, std::int64_t wParam_, std::uint32_t lParam_)
    : QEvent(eventType()), message(message_), wParam(wParam_), lParam(lParam_) {}

QEvent::Type IconMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void postIconMessage(QObject* window, std::uint32_t message, std::int64_t wParam, std::uint32_t lParam) {
    if (window) QCoreApplication::postEvent(window, new IconMessageEvent(message, wParam, lParam));
}

AreaGoneEvent::AreaGoneEvent(std::uint32_t id_) : QEvent(eventType()), id(id_) {}

QEvent::Type AreaGoneEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void postAreaGone(QObject* window, std::uint32_t id) {
    if (window) QCoreApplication::postEvent(window, new AreaGoneEvent(id));
}

NotificationService::~NotificationService() = default;

NotificationService& systemService() {
    // Parented to the application object, so the desktop icons go before the
    // application does.
    static QPointer<SystemTrayService> service;
    if (!service) service = new SystemTrayService(QCoreApplication::instance());
    return *service;
}

}  // namespace kodrix::notify
