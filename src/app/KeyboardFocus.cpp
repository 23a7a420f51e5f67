#include "app/KeyboardFocus.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <xcb/xcb.h>

namespace orvanel {

namespace {

// The window that has the X input focus, or 0 when it cannot be told.
xcb_window_t inputFocus(xcb_connection_t* connection)
{
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    if (!reply)
        return 0;
    const xcb_window_t focus = reply->focus;
    std::free(reply);
    return focus;
}

} // namespace

bool ownWindowHasKeyboardFocus()
{
    // Other platforms (offscreen in the tests) have only Qt's word for it.
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection =
        x11 && QGuiApplication::platformName() == QLatin1String("xcb") ? x11->connection() : nullptr;
    if (!connection)
        return QApplication::activeWindow() != nullptr;
    const xcb_window_t focus = inputFocus(connection);
    if (focus == 0)
        return QApplication::activeWindow() != nullptr;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->internalWinId() == focus)
            return true;
    }
    return false;
}

} // namespace orvanel
