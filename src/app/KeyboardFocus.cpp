#include "app/KeyboardFocus.h"

#include "platform/KeyBackendChoice.h"

#include <QApplication>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>
#include <cstdlib>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace orvanel {

namespace {

// The focus value that sends keys to the window under the pointer, whatever screen it is on.
constexpr xcb_window_t pointerRoot = 1;

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_connection_t* x11Connection()
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 && QGuiApplication::platformName() == QLatin1String("xcb") ? x11->connection() : nullptr;
}

bool isOwnWindow(xcb_window_t window)
{
    for (const QWindow* own : QGuiApplication::allWindows()) {
        if (own->handle() && own->winId() == window)
            return true;
    }
    return false;
}

bool isRoot(xcb_connection_t* connection, xcb_window_t window)
{
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection)); screens.rem > 0;
         xcb_screen_next(&screens)) {
        if (screens.data->root == window)
            return true;
    }
    return false;
}

KeyTarget underThePointer(xcb_connection_t* connection)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const ReplyPtr<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr), &std::free);
    return pointer && pointer->child != XCB_NONE && isOwnWindow(pointer->child) ? KeyTarget::OwnWindow
                                                                                : KeyTarget::Nobody;
}

// Nothing when the server cannot be asked.
std::optional<KeyTarget> askServer(xcb_connection_t* connection)
{
    const ReplyPtr<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr), &std::free);
    if (!reply)
        return std::nullopt;
    const xcb_window_t focus = reply->focus;
    if (focus == XCB_NONE)
        return KeyTarget::Nobody;
    // The root window holds no program's keys: they go to the top-level window under the pointer.
    if (focus == pointerRoot || isRoot(connection, focus))
        return underThePointer(connection);
    return isOwnWindow(focus) ? KeyTarget::OwnWindow : KeyTarget::OtherProgram;
}

KeyTarget askQt()
{
    return QApplication::activeWindow() ? KeyTarget::OwnWindow : KeyTarget::OtherProgram;
}

} // namespace

KeyboardFocus::KeyboardFocus() : m_xSeesEveryWindow(!isWaylandSession(SessionEnvironment::current()))
{
    m_forget.setSingleShot(true);
    m_forget.setInterval(0);
    QObject::connect(&m_forget, &QTimer::timeout, [this] { m_known = false; });
}

KeyTarget KeyboardFocus::target()
{
    // An open menu of ours holds the keyboard, wherever the focus is.
    if (QApplication::activePopupWidget())
        return KeyTarget::OwnWindow;
    // Other platforms (offscreen in the tests) have only Qt's word for it.
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return askQt();
    // Asked from the passing thread, the answer is not kept: the window's event loop, which forgets
    // it, does not run in step with that thread.
    const bool keep = QThread::currentThread() == m_forget.thread();
    if (!m_known || !keep) {
        KeyTarget target = askServer(connection).value_or(askQt());
        if (target == KeyTarget::Nobody && !m_xSeesEveryWindow)
            target = KeyTarget::OtherProgram;
        if (!keep)
            return target;
        m_target = target;
        m_known = true;
        m_forget.start();
    }
    return m_target;
}

} // namespace orvanel
