#pragma once

struct _XDisplay;

namespace orvanel {

// Asks the window manager to give a window no task-bar button, by marking it before it is first
// mapped (a window manager reads the state of a mapped window only from its own requests).
void keepOffTaskbar(_XDisplay* display, unsigned long window);

} // namespace orvanel
