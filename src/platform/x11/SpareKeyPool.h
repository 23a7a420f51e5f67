#pragma once

#include "platform/keymap/KeyboardLayout.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

namespace orvanel {

// Keycodes without keysyms, lent out to type keysyms the keyboard map lacks.
// A binding must outlive the key-strokes that use it until the target application has read them, and
// injection never waits for that; so a binding is kept for a hold time after its last use and reverted
// later (revertDue), or taken over when every key is busy - but never within the send that used it.
class SpareKeyPool
{
public:
    using Clock = std::chrono::steady_clock;

    struct Claim
    {
        unsigned keycode = 0;
        bool needsBinding = false; // false: the key is already bound to the wanted keysyms
    };

    SpareKeyPool(std::size_t capacity, std::chrono::milliseconds holdTime);

    // Brings the pool in line with the keyboard map as it now stands: forgets bindings someone else
    // replaced, drops keys that are no longer empty and takes on empty ones, highest keycodes first.
    void update(const KeyboardLayout& layout);

    // A key for `binding` during send number `sendId`: the key already bound to it, else a free key,
    // else the key used longest ago by an earlier send. std::nullopt if every key is busy in this send.
    std::optional<Claim> claim(const std::vector<Keysym>& binding, unsigned sendId, Clock::time_point now);

    // Records that a key of the pool, found bound in the keyboard map, is used again.
    void touch(unsigned keycode, unsigned sendId, Clock::time_point now);

    bool contains(unsigned keycode) const;

    // Keys whose hold time is over, marked free: the caller reverts them to no keysyms.
    std::vector<unsigned> takeDue(Clock::time_point now);
    // Every bound key, marked free: for shutting down.
    std::vector<unsigned> takeAllBound();
    // When the next binding falls due, if any is bound.
    std::optional<Clock::time_point> nextDue() const;

private:
    struct Slot
    {
        unsigned keycode = 0;
        std::vector<Keysym> binding; // empty while the key is free
        unsigned sendId = 0;
        Clock::time_point lastUse;
    };

    Slot* slotFor(unsigned keycode);

    std::size_t m_capacity;
    std::chrono::milliseconds m_holdTime;
    std::vector<Slot> m_slots;
};

} // namespace orvanel
