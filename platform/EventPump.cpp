#include "EventPump.h"

#include <QCoreApplication>

#include <ctime>

namespace kodrix {

std::int64_t pumpClockMs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return std::int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1'000'000;
}

void processPendingEvents() {
    static bool passed = false;
    static std::int64_t last = 0;
    constexpr std::int64_t kIntervalMs = 15;
    if (passed && pumpClockMs() - last < kIntervalMs) return;
    QCoreApplication::processEvents();
    passed = true;
    last = pumpClockMs();
}

}  // namespace kodrix
