#pragma once

#include <QStringList>
#include <optional>
#include <string>

namespace orvanel {

// Qt's two options that choose the display, "-platform NAME" and "-display NAME" (also spelt with
// "--"), taken out of the arguments; the first of each counts.
struct DisplayOptions
{
    std::optional<std::string> platform;
    std::optional<std::string> display;
    QStringList others; // the arguments without them
};

DisplayOptions takeDisplayOptions(const QStringList& arguments);

// Why the window cannot be shown, checked before Qt is started: without a display Qt aborts with a
// core dump and advice to reinstall. Only the X11 platform is checked (the default, which the
// keyboard-focus and key-injection code need); another platform chosen with -platform or
// QT_QPA_PLATFORM is left to Qt. Empty when the display opens.
// The options win over QT_QPA_PLATFORM and DISPLAY, passed in as read from the environment (null if unset).
std::string displayProblem(const DisplayOptions& options, const char* qpaPlatform, const char* display);

// Points XDG_RUNTIME_DIR at a private folder when it is unset, as Qt would, without Qt's warning
// about it on the terminal.
void provideRuntimeFolder();

} // namespace orvanel
