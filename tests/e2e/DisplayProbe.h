#pragma once

#include <QString>

struct _XDisplay;

namespace orvanel {

// The test's own connection to the X display: reads and changes the keyboard map and watches the bell,
// so the tests can check what the code under test did to the display.
class DisplayProbe
{
public:
    explicit DisplayProbe(const QString& displayName);
    ~DisplayProbe();
    DisplayProbe(const DisplayProbe&) = delete;
    DisplayProbe& operator=(const DisplayProbe&) = delete;

    bool isOpen() const { return m_display != nullptr; }

    // Whether any key of the keyboard map, as the server has it now, carries the keysym.
    bool hasKeysym(unsigned long keysym);

    // Replaces the keyboard map by one built from XKB component names ("pc+de+inet(evdev)").
    bool loadKeymap(const QString& keycodes, const QString& symbols);
    void lockGroup(unsigned group);
    // Presses or releases the key of a keysym, as a user's hand on the keyboard would.
    void holdKey(unsigned long keysym, bool down);

    // Makes a round trip on another client's connection: returns once the server has handled
    // everything sent on it before.
    static void roundTrip(_XDisplay* display);

    // Counts the bells rung on the display from the moment watchBells() is called.
    void watchBells();
    int bellCount();

private:
    _XDisplay* m_display = nullptr;
    int m_xkbEventBase = 0;
    int m_bells = 0;
};

} // namespace orvanel
