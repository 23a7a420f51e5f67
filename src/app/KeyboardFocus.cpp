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

xcb_connection_t* x11Connection()
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 && QGuiApplication::platformName() == QLatin1String("xcb") ? x11->connection() : nullptr;
}

bool isOwnWindow(xcb_window_t window)
{
    for (const QWidget* topLevel : QApplication::topLevelWidgets()) {
        if (topLevel->isVisible() && topLevel->internalWinId() == window)
            return true;
    }
    return false;
}

} // namespace

KeyboardFocus::KeyboardFocus()
{
    m_forget.setSingleShot(true);
    m_forget.setInterval(0);
    QObject::connect(&m_forget, &QTimer::timeout, [this] { m_known = false; });
}

bool KeyboardFocus::isOnOwnWindow()
{
    // Other platforms (offscreen in the tests) have only Qt's word for it.
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return QApplication::activeWindow() != nullptr;
    if (!m_known) {
        const xcb_window_t focus = inputFocus(connection);
        m_own = focus == 0 ? QApplication::activeWindow() != nullptr : isOwnWindow(focus);
        m_known = true;
        m_forget.start();
    }
    return m_own;
}

} // namespace orvanel
