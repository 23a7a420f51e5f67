#include "app/KeyboardFocus.h"

#include "platform/KeyBackendChoice.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace orvanel {

namespace {

// The focus value that sends keys to the window under the pointer, whatever screen it is on.
constexpr xcb_window_t pointerRoot = 1;

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

KeyboardFocus::KeyboardFocus() : m_xSeesEveryWindow(!isWaylandSession(SessionEnvironment::current()))
{
    qApp->installEventFilter(this);
    m_qtActive = QApplication::activeWindow() != nullptr;
    if (!onX11())
        return;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    // The root windows are told when the focus goes to None, PointerRoot or a root window and when it
    // leaves them; Orvanel's windows, once shown, when they get or lose it and when the pointer comes
    // onto them or leaves them.
    const uint32_t mask = XCB_EVENT_MASK_FOCUS_CHANGE;
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection)); screens.rem > 0;
         xcb_screen_next(&screens)) {
        m_roots.push_back(screens.data->root);
        xcb_change_window_attributes(connection, screens.data->root, XCB_CW_EVENT_MASK, &mask);
    }
    const ReplyPtr<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr), &std::free);
    if (focus) {
        m_focusNone = focus->focus == XCB_NONE;
        m_noWindowFocused = m_focusNone || focus->focus == pointerRoot ||
                            std::find(m_roots.begin(), m_roots.end(), focus->focus) != m_roots.end();
    }
    m_connection = connection;
    // Read on the window's thread too as they come, so that they do not pile up between passings.
    auto* notifier = new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this);
    QObject::connect(notifier, &QSocketNotifier::activated, this, [this] {
        const std::lock_guard<std::mutex> lock(m_mutex);
        readEvents();
    });
}

KeyboardFocus::~KeyboardFocus()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

KeyTarget KeyboardFocus::target()
{
    if (m_popupOpen)
        return KeyTarget::OwnWindow;
    if (!m_connection)
        return m_qtActive ? KeyTarget::OwnWindow : KeyTarget::OtherProgram;
    const std::lock_guard<std::mutex> lock(m_mutex);
    readEvents();
    KeyTarget target = KeyTarget::OtherProgram;
    if (m_ownFocus)
        target = KeyTarget::OwnWindow;
    else if (m_noWindowFocused)
        target = m_pointerOnOwn && !m_focusNone ? KeyTarget::OwnWindow : KeyTarget::Nobody;
    if (target == KeyTarget::Nobody && !m_xSeesEveryWindow)
        target = KeyTarget::OtherProgram;
    return target;
}

void KeyboardFocus::readEvents()
{
    // Only what has already come in: no round trip to the server.
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        apply(event);
        std::free(event);
    }
}

void KeyboardFocus::apply(const void* xcbEvent)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_ENTER_NOTIFY || type == XCB_LEAVE_NOTIFY) {
        // Focus events do not follow the pointer; crossing events do. Enter and leave share one layout.
        const auto* crossing = reinterpret_cast<const xcb_enter_notify_event_t*>(event);
        // Inferior: on into a window inside ours.
        if (m_own.count(crossing->event) != 0 &&
            (type == XCB_ENTER_NOTIFY || crossing->detail != XCB_NOTIFY_DETAIL_INFERIOR))
            m_pointerOnOwn = type == XCB_ENTER_NOTIFY;
    } else if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
        // Focus in and focus out share one layout.
        const auto* focus = reinterpret_cast<const xcb_focus_in_event_t*>(event);
        const bool in = type == XCB_FOCUS_IN;
        const uint8_t detail = focus->detail;
        // Pointer and the virtual details tell of windows the focus passes by or points through.
        if (detail == XCB_NOTIFY_DETAIL_POINTER || detail == XCB_NOTIFY_DETAIL_VIRTUAL ||
            detail == XCB_NOTIFY_DETAIL_NONLINEAR_VIRTUAL)
            return;
        if (std::find(m_roots.begin(), m_roots.end(), focus->event) != m_roots.end()) {
            // The root itself, None or PointerRoot has the focus, or no longer.
            m_noWindowFocused = in;
            m_focusNone = in && detail == XCB_NOTIFY_DETAIL_NONE;
        } else if (m_own.count(focus->event) != 0 && (in || detail != XCB_NOTIFY_DETAIL_INFERIOR)) {
            m_ownFocus = in; // inferior: on to a window inside ours
        }
    }
}

void KeyboardFocus::watch(std::uint32_t window)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_own.insert(window).second)
        return;
    const uint32_t mask = XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW;
    xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

bool KeyboardFocus::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowActivate || type == QEvent::WindowDeactivate) {
        m_qtActive = QApplication::activeWindow() != nullptr;
        return false;
    }
    if (type != QEvent::Show && type != QEvent::Hide)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !widget->isWindow())
        return false;
    // Sent before the window is mapped, so its first focus and crossing events are seen.
    if (m_connection && type == QEvent::Show)
        watch(static_cast<std::uint32_t>(widget->winId()));
    // A menu counts as open from its show event on, before Qt takes it as its active popup; by its
    // hide event Qt has let it go.
    if (widget->windowType() == Qt::Popup)
        m_popupOpen = type == QEvent::Show || QApplication::activePopupWidget() != nullptr;
    return false;
}

} // namespace orvanel
