#include "platform/x11/SpareKeyPool.h"

#include <algorithm>

namespace orvanel {

SpareKeyPool::SpareKeyPool(std::size_t capacity, std::chrono::milliseconds holdTime)
    : m_capacity(capacity), m_holdTime(holdTime)
{}

void SpareKeyPool::update(const KeyboardLayout& layout)
{
    std::vector<Slot> kept;
    for (Slot& slot : m_slots) {
        const std::vector<Keysym> current = layout.keysymsOf(slot.keycode);
        if (current.empty()) {
            slot.binding.clear();
            kept.push_back(slot);
        } else if (!slot.binding.empty() &&
                   std::find(current.begin(), current.end(), slot.binding.front()) != current.end()) {
            kept.push_back(slot);
        }
    }
    m_slots = std::move(kept);

    std::vector<unsigned> empty = layout.emptyKeycodes();
    for (auto it = empty.rbegin(); it != empty.rend() && m_slots.size() < m_capacity; ++it) {
        if (!contains(*it))
            m_slots.push_back(Slot{*it, {}, 0, {}});
    }
}

std::optional<SpareKeyPool::Claim> SpareKeyPool::claim(const std::vector<Keysym>& binding, unsigned sendId,
                                                       Clock::time_point now)
{
    Slot* chosen = nullptr;
    for (Slot& slot : m_slots) {
        if (slot.binding == binding) {
            slot.sendId = sendId;
            slot.lastUse = now;
            return Claim{slot.keycode, false};
        }
    }
    for (Slot& slot : m_slots) {
        if (slot.binding.empty()) {
            chosen = &slot;
            break;
        }
    }
    if (!chosen) {
        for (Slot& slot : m_slots) {
            if (slot.sendId != sendId && (!chosen || slot.lastUse < chosen->lastUse))
                chosen = &slot;
        }
    }
    if (!chosen)
        return std::nullopt;
    chosen->binding = binding;
    chosen->sendId = sendId;
    chosen->lastUse = now;
    return Claim{chosen->keycode, true};
}

void SpareKeyPool::touch(unsigned keycode, unsigned sendId, Clock::time_point now)
{
    if (Slot* slot = slotFor(keycode)) {
        slot->sendId = sendId;
        slot->lastUse = now;
    }
}

bool SpareKeyPool::contains(unsigned keycode) const
{
    return std::any_of(m_slots.begin(), m_slots.end(), [keycode](const Slot& s) { return s.keycode == keycode; });
}

std::vector<unsigned> SpareKeyPool::takeDue(Clock::time_point now)
{
    std::vector<unsigned> due;
    for (Slot& slot : m_slots) {
        if (!slot.binding.empty() && slot.lastUse + m_holdTime <= now) {
            slot.binding.clear();
            due.push_back(slot.keycode);
        }
    }
    return due;
}

std::vector<unsigned> SpareKeyPool::takeAllBound()
{
    std::vector<unsigned> bound;
    for (Slot& slot : m_slots) {
        if (!slot.binding.empty()) {
            slot.binding.clear();
            bound.push_back(slot.keycode);
        }
    }
    return bound;
}

std::optional<SpareKeyPool::Clock::time_point> SpareKeyPool::nextDue() const
{
    std::optional<Clock::time_point> next;
    for (const Slot& slot : m_slots) {
        if (!slot.binding.empty() && (!next || slot.lastUse + m_holdTime < *next))
            next = slot.lastUse + m_holdTime;
    }
    return next;
}

SpareKeyPool::Slot* SpareKeyPool::slotFor(unsigned keycode)
{
    for (Slot& slot : m_slots) {
        if (slot.keycode == keycode)
            return &slot;
    }
    return nullptr;
}

} // namespace orvanel
