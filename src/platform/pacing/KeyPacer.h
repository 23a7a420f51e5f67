#pragma once

#include "system/Clocks.h"
#include "system/KeyInjector.h"
#include "system/OneShotTimer.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace orvanel {

// The order and pace of the key-strokes a key backend types. Key-strokes are typed whole and in the
// order sent; with a delay, one key event per tick of a one-shot timer of the event loop, so that
// send() only queues and the program goes on reading the bridge while slow typing catches up. Without a
// delay each key-stroke is typed within send().
//
// It needs nothing of the window system, so the key backends of Linux and Windows share it.
//
// Right before a key-stroke's first key goes out it is checked, since the world may have changed while
// it waited: it is not typed when the target check finds no other program to receive it, nor when it
// waited more than kMaxKeyWaitMs.
class KeyPacer
{
public:
    // What turns key-strokes into key events: the key backend.
    class Typist
    {
    public:
        virtual ~Typist() = default;
        // Makes ready to type keys; false when they cannot be typed (the typist has said why).
        virtual bool begin(const KeySequence& keys) = 0;
        // Types the next key event of the key-stroke begun; false when none was left. It may keep the
        // event until flush(), so that a key-stroke typed at once reaches the window system in one write.
        virtual bool typeNext() = 0;
        // Sends the key events typeNext() kept; a typist that sends each one at once needs nothing here.
        virtual void flush() {}
    };

    KeyPacer(Typist& typist, SteadyClock clock);
    KeyPacer(const KeyPacer&) = delete;
    KeyPacer& operator=(const KeyPacer&) = delete;

    // delayMs > 0 spaces key events out on timer, which must then be given; not while keys are queued.
    void setDelay(int delayMs, std::unique_ptr<OneShotTimer> timer);

    void send(const KeySequence& keys, KeyInjector::Done done);
    void setTargetCheck(KeyInjector::TargetCheck check) { m_targetCheck = std::move(check); }
    void cancelQueued();
    // Types the rest of the key-stroke under way at once, so that no key stays down, and forgets the
    // others without telling: for the typist's destructor, which must call it.
    void finish();

private:
    struct Waiting
    {
        KeySequence keys;
        KeyInjector::Done done;
        std::uint64_t since = 0;
    };

    bool paced() const { return m_delayMs > 0 && m_timer; }
    void run();
    KeyOutcome admit(const Waiting& next);
    void settleFront(KeyOutcome outcome);

    Typist& m_typist;
    SteadyClock m_clock;
    int m_delayMs = 0;
    std::unique_ptr<OneShotTimer> m_timer;
    KeyInjector::TargetCheck m_targetCheck;
    std::deque<Waiting> m_queue; // the front one is under way when m_underWay
    bool m_underWay = false;
    bool m_running = false;
};

} // namespace orvanel
