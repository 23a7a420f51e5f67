#pragma once

namespace orvanel {

// Whether the keyboard focus is in one of this program's own windows right now, as the window
// system has it. On X11 the server is asked: Qt learns of a focus change only some time after it
// (it waits 100 ms after losing the focus before it calls a window inactive), and a passing in
// that time would be kept back although the user has already moved on to the lap counter.
bool ownWindowHasKeyboardFocus();

} // namespace orvanel
