#pragma once
// "Let pending window events be handled": the one event pump of long loops.
// Calls closer together than the throttle interval return at once, so a loop
// over thousands of items stays fast while the window stays responsive.
#include <cstdint>

namespace kodrix {
void processPendingEvents();

// The clock the pump's throttle reads: monotonic milliseconds, a few
// milliseconds coarse and cheap to read, for loops that look at the time
// once an item.
std::int64_t pumpClockMs();
}
