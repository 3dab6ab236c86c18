#pragma once
// "Let pending window events be handled": the one event pump of long loops.
// Calls closer together than the throttle interval return at once, so a loop
// over thousands of items stays fast while the window stays responsive.
namespace kodrix {
void processPendingEvents();
}
