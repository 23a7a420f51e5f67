#include "app/KeyboardFocus.h"

#include "platform/KeyBackendChoice.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <memory>
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

bool pointerOnOwnWindow(xcb_connection_t* connection)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const ReplyPtr<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr), &std::free);
    return pointer && pointer->child != XCB_NONE && isOwnWindow(pointer->child);
}

} // namespace

KeyboardFocus::KeyboardFocus()
    : m_connection(x11Connection()), m_xSeesEveryWindow(!isWaylandSession(SessionEnvironment::current()))
{
    qApp->installEventFilter(this);
    if (m_connection) {
        followServer();
    } else {
        m_ownFocus = QApplication::activeWindow() != nullptr;
    }
    update();
}

KeyboardFocus::~KeyboardFocus()
{
    if (m_connection)
        qApp->removeNativeEventFilter(this);
}

void KeyboardFocus::followServer()
{
    // The root windows are told when the focus goes to None, PointerRoot or a root window and when it
    // leaves them; Orvanel's windows are told when they get or lose it, and, while no window has it,
    // when the pointer comes onto them or leaves them.
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection)); screens.rem > 0;
         xcb_screen_next(&screens)) {
        const xcb_window_t root = screens.data->root;
        const ReplyPtr<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, root), nullptr),
            &std::free);
        const uint32_t mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_FOCUS_CHANGE;
        xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
    }
    const ReplyPtr<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr), &std::free);
    if (focus) {
        m_noWindowFocused =
            focus->focus == XCB_NONE || focus->focus == pointerRoot || isRoot(m_connection, focus->focus);
        m_focusNone = focus->focus == XCB_NONE;
        m_ownFocus = isOwnWindow(focus->focus);
        m_pointerOnOwn = pointerOnOwnWindow(m_connection);
    }
    qApp->installNativeEventFilter(this);
}

bool KeyboardFocus::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const uint8_t type = static_cast<const xcb_generic_event_t*>(message)->response_type & 0x7f;
    if (type == XCB_ENTER_NOTIFY || type == XCB_LEAVE_NOTIFY) {
        // Focus events do not follow the pointer; crossing events do. Enter and leave share one layout.
        const auto* crossing = static_cast<const xcb_enter_notify_event_t*>(message);
        if (!isOwnWindow(crossing->event))
            return false;
        // Inferior: on into a window inside ours.
        if (type == XCB_ENTER_NOTIFY || crossing->detail != XCB_NOTIFY_DETAIL_INFERIOR)
            m_pointerOnOwn = type == XCB_ENTER_NOTIFY;
    } else if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
        // Focus in and focus out share one layout.
        const auto* focus = static_cast<const xcb_focus_in_event_t*>(message);
        const bool in = type == XCB_FOCUS_IN;
        const uint8_t detail = focus->detail;
        // Pointer and the virtual details tell of windows the focus passes by or points through.
        if (detail == XCB_NOTIFY_DETAIL_POINTER || detail == XCB_NOTIFY_DETAIL_VIRTUAL ||
            detail == XCB_NOTIFY_DETAIL_NONLINEAR_VIRTUAL)
            return false;
        if (isRoot(m_connection, focus->event)) {
            m_noWindowFocused = in; // the root itself, None or PointerRoot has the focus, or no longer
            m_focusNone = in && detail == XCB_NOTIFY_DETAIL_NONE;
        } else if (!isOwnWindow(focus->event))
            return false;
        else if (in || detail != XCB_NOTIFY_DETAIL_INFERIOR) // inferior: on to a window inside ours
            m_ownFocus = in;
    } else {
        return false;
    }
    update();
    return false;
}

bool KeyboardFocus::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (!m_connection && (type == QEvent::WindowActivate || type == QEvent::WindowDeactivate)) {
        m_ownFocus = QApplication::activeWindow() != nullptr;
        update();
        return false;
    }
    if (type != QEvent::Show && type != QEvent::Hide)
        return false;
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!widget || widget->windowType() != Qt::Popup)
        return false;
    // A menu counts as open from its show event on, before Qt takes it as its active popup; by its
    // hide event Qt has let it go.
    m_popupOpen = type == QEvent::Show || QApplication::activePopupWidget() != nullptr;
    update();
    return false;
}

void KeyboardFocus::update()
{
    KeyTarget target = KeyTarget::OtherProgram;
    if (m_popupOpen || m_ownFocus)
        target = KeyTarget::OwnWindow;
    else if (m_noWindowFocused)
        target = m_pointerOnOwn && !m_focusNone ? KeyTarget::OwnWindow : KeyTarget::Nobody;
    if (target == KeyTarget::Nobody && !m_xSeesEveryWindow)
        target = KeyTarget::OtherProgram;
    m_target.store(target, std::memory_order_release);
}

} // namespace orvanel
