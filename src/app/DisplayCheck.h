#pragma once

#include <string>
#include <vector>

namespace orvanel {

// Why the window cannot be shown, checked before Qt is started: without a display Qt aborts with a
// core dump and advice to reinstall. Only the X11 platform is checked (the default, which the
// keyboard-focus and key-injection code need); another platform chosen with -platform or
// QT_QPA_PLATFORM is left to Qt. Empty when the display opens.
std::string displayProblem(const std::vector<std::string>& arguments, const char* qpaPlatform, const char* display);

// Points XDG_RUNTIME_DIR at a private folder when it is unset, as Qt would, without Qt's warning
// about it on the terminal.
void provideRuntimeFolder();

} // namespace orvanel
