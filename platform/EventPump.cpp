#include "EventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace kodrix {

void processPendingEvents() {
    static QElapsedTimer last;
    constexpr qint64 kIntervalMs = 15;
    if (last.isValid() && last.elapsed() < kIntervalMs) return;
    QCoreApplication::processEvents();
    last.start();
}

}  // namespace kodrix
