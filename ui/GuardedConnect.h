#pragma once
// Handlers attached to controls run through the general error report: an
// error a handler throws is shown over the handler's window and the event is
// abandoned; nothing crosses the event loop.
#include "ui/ErrorReport.h"

#include <QObject>
#include <QWidget>
#include <utility>

namespace kodrix {

// A slot that runs (owner->*handler)(args...) inside guarded(), reporting
// over owner's window.
template <class Owner, class... Args>
auto guardedSlot(Owner* owner, void (Owner::*handler)(Args...)) {
    return [owner, handler](Args... args) {
        guarded(owner->window(), [&] { (owner->*handler)(args...); });
    };
}

// connect(sender, signal, owner, guardedSlot(owner, handler)) in one call.
template <class Sender, class Signal, class Owner, class... Args>
QMetaObject::Connection connectGuarded(Sender* sender, Signal signal, Owner* owner, void (Owner::*handler)(Args...)) {
    return QObject::connect(sender, signal, owner, guardedSlot(owner, handler));
}

}  // namespace kodrix
