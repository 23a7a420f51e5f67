#pragma once

#include "system/KeyInjector.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <atomic>

struct xcb_connection_t;

namespace orvanel {

// Where key-strokes typed right now would land, followed from the window system's notices as they come
// in, so that asking costs nothing and may be done from any thread.
// On X11 the X server's own focus events are read, not Qt's: Qt calls a window inactive only 100 ms
// after it lost the focus, and a passing in that time would be kept back although the user has already
// moved on to the lap counter. Nor does Qt tell when the focus goes to the root window or to
// PointerRoot, as it does without a window manager when the focused program closes: the keys then go
// to whatever window lies under the mouse pointer, Orvanel's own as likely as not.
// On a Wayland desktop the X server (Xwayland) sees only the X11 windows: it knows when Orvanel's own
// window has the focus, but no focus there may mean a Wayland program has it, so the keys go out.
class KeyboardFocus : public QObject, private QAbstractNativeEventFilter
{
public:
    KeyboardFocus();
    ~KeyboardFocus() override;
    KeyboardFocus(const KeyboardFocus&) = delete;
    KeyboardFocus& operator=(const KeyboardFocus&) = delete;

    KeyTarget target() const { return m_target.load(std::memory_order_acquire); }

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void followServer();
    void update();

    xcb_connection_t* m_connection; // null on other platforms (offscreen in the tests): Qt's word only
    bool m_xSeesEveryWindow;
    bool m_ownFocus = false;        // one of Orvanel's windows has the focus
    bool m_noWindowFocused = false; // the focus is None, PointerRoot or a root window
    bool m_focusNone = false;       // None: the keys are lost wherever the pointer is
    bool m_pointerOnOwn = false;    // keys sent to the window under the pointer would reach Orvanel's
    bool m_popupOpen = false;       // an open menu of ours holds the keyboard, wherever the focus is
    std::atomic<KeyTarget> m_target{KeyTarget::OtherProgram};
};

} // namespace orvanel
