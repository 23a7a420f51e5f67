#pragma once

#include "system/KeyInjector.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

struct xcb_connection_t;

namespace orvanel {

// Where key-strokes typed right now would land, followed from the window system's notices rather than
// asked for at each passing; it may be asked from any thread.
// On X11 the server's own focus events are read on a connection of its own, not Qt's: Qt calls a
// window inactive only 100 ms after it lost the focus, and a passing in that time would be kept back
// although the user has already moved on to the lap counter. Nor does Qt tell when the focus goes to
// the root window or to PointerRoot, as it does without a window manager when the focused program
// closes: the keys then go to whatever window lies under the mouse pointer, Orvanel's own as likely as
// not. What has come in on that connection is read when asked, so a change the server made before the
// passing counts even while the window's thread is busy, and no question waits for the server.
// On a Wayland desktop the X server (Xwayland) sees only the X11 windows: it knows when Orvanel's own
// window has the focus, but no focus there may mean a Wayland program has it, so the keys go out.
class KeyboardFocus : public QObject
{
public:
    KeyboardFocus();
    ~KeyboardFocus() override;
    KeyboardFocus(const KeyboardFocus&) = delete;
    KeyboardFocus& operator=(const KeyboardFocus&) = delete;

    KeyTarget target();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void watch(std::uint32_t window);
    void readEvents();                // with m_mutex held
    void apply(const void* xcbEvent); // an xcb_generic_event_t

    xcb_connection_t* m_connection = nullptr; // null on other platforms (offscreen in the tests): Qt's word only
    std::vector<std::uint32_t> m_roots;
    bool m_xSeesEveryWindow;
    std::atomic<bool> m_popupOpen{false}; // an open menu of ours holds the keyboard, wherever the focus is
    std::atomic<bool> m_qtActive{false};  // Qt's word, where there is no X server to follow

    std::mutex m_mutex;             // guards what follows: the window's thread adds windows, any thread reads events
    std::set<std::uint32_t> m_own;  // Orvanel's top-level windows
    bool m_ownFocus = false;        // one of them has the focus
    bool m_noWindowFocused = false; // the focus is None, PointerRoot or a root window
    bool m_focusNone = false;       // None: the keys are lost wherever the pointer is
    bool m_pointerOnOwn = false;    // keys sent to the window under the pointer would reach Orvanel's
};

} // namespace orvanel
