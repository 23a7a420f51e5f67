#pragma once

#include "platform/keymap/KeyboardLayout.h"
#include "platform/pacing/KeyPacer.h"
#include "platform/x11/SpareKeyPool.h"
#include "system/KeyInjector.h"

#include <QTimer>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct _XDisplay;

namespace orvanel {

// Types key-strokes into the focused window of an X display through the XTEST extension, on its own
// connection. Each key-stroke goes to the key the XTEST keyboard's XKB map has for its keysym, with the
// modifiers that level needs (Shift for "A", AltGr where the layout puts a character there); keysyms the
// map lacks are bound to a spare keycode for a while. Nothing here waits for the target application.
// Bindings are reverted by a timer of the Qt event loop, failing that at the next send or on destruction.
// With a delay, the key events go out one by one on a timer of Orvanel's own (see KeyPacer): XTest's
// own delay would hold them in the X server, and the program's connection would wait behind them.
// The map is the XTEST device's own where XInput 2 shows one (Xwayland keeps it apart from the core
// keyboard, which switches to the map of whichever device typed last), the core keyboard's otherwise;
// the group and locks are always the core keyboard's, which is what applications read.
// The map, the group, the locks and the modifier keys the user holds are followed from the server's
// notices, read at the start of each key-stroke from what has already come in: no question to the
// server stands between a passing and its first key (only a map just changed is read again). Every X
// call goes through the injector's own connection, so it may live and type on a thread other than the
// window's, one with an event loop for the revert timer.
class XTestKeyInjector : public KeyInjector, private KeyPacer::Typist
{
public:
    enum class OpenError
    {
        None,
        NoDisplayName,
        CannotOpenDisplay,
        NoXTest,
        NoXkb,
    };

    struct Opened
    {
        std::unique_ptr<XTestKeyInjector> injector; // null unless error is None
        OpenError error = OpenError::None;
        std::string displayName; // the display asked for, after falling back to $DISPLAY
    };

    // How long a spare keycode keeps a binding after its last use, so the target reads the key first.
    static constexpr std::chrono::milliseconds defaultHoldTime{1000};

    // Connects to `displayName`, or to $DISPLAY when it is empty.
    static Opened open(const std::string& displayName, std::chrono::milliseconds holdTime = defaultHoldTime);

    ~XTestKeyInjector() override;
    XTestKeyInjector(const XTestKeyInjector&) = delete;
    XTestKeyInjector& operator=(const XTestKeyInjector&) = delete;

    void setTargetCheck(TargetCheck check) override { m_pacer.setTargetCheck(std::move(check)); }
    void cancelQueued() override { m_pacer.cancelQueued(); }

    // A pause before each key event, kept by timer, which a delay above 0 needs.
    void setKeyDelay(std::chrono::milliseconds delay, std::unique_ptr<OneShotTimer> timer)
    {
        m_pacer.setDelay(static_cast<int>(delay.count()), std::move(timer));
    }

    // For the process's X error handler.
    _XDisplay* connection() const { return m_display; }
    void noteError(const std::string& text);

private:
    XTestKeyInjector(_XDisplay* display, std::chrono::milliseconds holdTime, int xkbEventBase,
                     std::optional<unsigned> xtestKeyboard);

    // The keysyms an event types, the modifiers it adds, and its name for messages.
    struct Wanted
    {
        std::vector<Keysym> keysyms;
        unsigned extraModifiers = 0;
        std::string what;
    };
    static Wanted wantedFor(const KeyEvent& event);

    void enqueue(const KeySequence& keys, Done done) override { m_pacer.send(keys, std::move(done)); }
    bool begin(const KeySequence& keys) override;
    bool typeNext() override;
    void flush() override;
    void translate(const KeyEvent& event);
    void readEvents();
    void noteStateChange(const void* xkbStateEvent);
    bool prepare(const KeySequence& keys);
    std::vector<unsigned> modifierKeysDown() const;
    void readKeysDown();
    bool isModifierKey(unsigned keycode) const;
    void readLayout();
    void readState();
    void pressModifier(Modifier modifier);
    void releaseModifier(Modifier modifier);
    void tap(const std::vector<Keysym>& keysyms, unsigned count, unsigned extraModifiers, const std::string& what);
    std::optional<KeyboardLayout::Choice> locate(const std::vector<Keysym>& keysyms, const std::string& what);
    unsigned heldModifiers() const;
    void queueKey(unsigned keycode, bool press); // for typeNext() to send
    void revert(const std::vector<unsigned>& keycodes);
    void revertDue();
    void scheduleRevert();
    void report(const std::string& message);

    _XDisplay* m_display;
    int m_xkbEventBase;
    unsigned m_mapDevice; // the XKB device whose map is read: the XTEST keyboard, or the core keyboard
    bool m_mapOfCore;     // no XTEST keyboard of its own: the core keyboard's map notices count
    bool m_layoutChanged = true;
    KeyboardLayout m_layout;
    SpareKeyPool m_pool;
    QTimer m_revertTimer;
    std::set<unsigned> m_modifierKeysDown;      // the user's modifier keys, as the server's notices tell
    std::map<unsigned, unsigned> m_ownInFlight; // modifier key events of ours whose notices are still to come
    unsigned m_sendId = 0;
    unsigned m_group = 0;
    unsigned m_lockedModifiers = 0;
    std::vector<std::string> m_errors;                 // X errors of the send under way
    std::vector<std::pair<Modifier, unsigned>> m_held; // notation modifiers down, in pressing order, with keycode
    std::set<std::string> m_reported;

    // The key-stroke under way: its notation events are turned into key events one at a time, as the
    // last ones go out, so that what a lock key changed is read back before the next key is chosen.
    KeySequence m_keys;
    std::size_t m_nextEvent = 0;
    std::deque<std::pair<unsigned, bool>> m_pending; // key events chosen, not yet sent: keycode, press
    std::vector<unsigned> m_userHeld;                // the user's modifier keys, let go of meanwhile
    bool m_lockTyped = false;
    bool m_ended = false;
    bool m_underWay = false;
    KeyPacer m_pacer; // last: it types through the members above
};

} // namespace orvanel
