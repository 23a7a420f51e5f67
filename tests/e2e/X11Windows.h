#pragma once

#include <string>

struct _XDisplay;

namespace orvanel::test {

// The test's own connection to the X display, to find, focus, click and close the program's
// windows as a user and a window manager would (the test servers run no window manager).
class X11Windows
{
public:
    using WindowId = unsigned long;

    X11Windows(); // on $DISPLAY
    ~X11Windows();
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    bool isOpen() const { return m_display != nullptr; }
    _XDisplay* display() const { return m_display; }

    // Focus values that are no window: keys go to the window under the pointer, or nowhere.
    static constexpr WindowId kPointerRoot = 1;
    static constexpr WindowId kNoFocus = 0;

    // The viewable top-level window with that title, or 0.
    WindowId find(const char* title);
    WindowId root() const;
    void focus(WindowId window);
    // Moves the pointer to (x, y) of the window, through XTEST.
    void pointAt(WindowId window, int x, int y);
    // Presses and releases the left button at (x, y) of the window, through XTEST.
    void click(WindowId window, int x, int y);
    // Asks the window to close, as the close box of its title bar does (WM_DELETE_WINDOW).
    void close(WindowId window);
    // The class half of the window's WM_CLASS, by which task bars find its desktop entry; empty when unset.
    std::string windowClass(WindowId window);
    // Whether the window's _NET_WM_STATE holds the named state ("_NET_WM_STATE_SKIP_TASKBAR").
    bool hasWindowState(WindowId window, const char* state);

private:
    _XDisplay* m_display = nullptr;
};

} // namespace orvanel::test
