#include "platform/keymap/KeyboardLayout.h"

#include <algorithm>
#include <bitset>

namespace orvanel {

namespace {

constexpr unsigned modifierCount = 8;

unsigned bitCount(unsigned mask)
{
    return static_cast<unsigned>(std::bitset<modifierCount>(mask).count());
}

unsigned levelFor(const KeyboardLayout::Group& group, unsigned modifiers)
{
    const unsigned relevant = modifiers & group.typeModifiers;
    for (const auto& [mods, level] : group.levelOfMods) {
        if (mods == relevant)
            return level;
    }
    return 0;
}

std::optional<unsigned> effectiveGroup(const KeyboardLayout::Key& key, unsigned group)
{
    const auto count = static_cast<unsigned>(key.groups.size());
    if (count == 0)
        return std::nullopt;
    if (group < count)
        return group;
    switch (key.overflow) {
    case KeyboardLayout::GroupOverflow::Wrap:
        return group % count;
    case KeyboardLayout::GroupOverflow::Clamp:
        return count - 1;
    case KeyboardLayout::GroupOverflow::Redirect:
        return key.redirectGroup < count ? key.redirectGroup : 0;
    }
    return std::nullopt;
}

bool better(const KeyboardLayout::Choice& a, const std::optional<KeyboardLayout::Choice>& b)
{
    if (!b)
        return true;
    const unsigned aCount = bitCount(a.modifiers);
    const unsigned bCount = bitCount(b->modifiers);
    if (aCount != bCount)
        return aCount < bCount;
    return a.keycode < b->keycode;
}

} // namespace

void KeyboardLayout::setKey(unsigned keycode, Key key)
{
    if (keycode >= m_keys.size())
        m_keys.resize(keycode + 1);
    m_keys[keycode] = std::move(key);
    m_found.clear();
}

const KeyboardLayout::Key* KeyboardLayout::key(unsigned keycode) const
{
    if (keycode >= m_keys.size() || !m_keys[keycode])
        return nullptr;
    return &*m_keys[keycode];
}

std::optional<KeyboardLayout::Choice> KeyboardLayout::find(const std::vector<Keysym>& keysyms, unsigned group,
                                                           unsigned lockedModifiers) const
{
    FindQuestion question{keysyms, group, lockedModifiers};
    if (const auto known = m_found.find(question); known != m_found.end())
        return known->second;
    const unsigned pressable = pressableModifiers();
    std::optional<Choice> best;
    for (unsigned keycode = 0; keycode < m_keys.size(); ++keycode) {
        if (!m_keys[keycode])
            continue;
        const auto choice = chooseOn(keycode, *m_keys[keycode], keysyms, group, lockedModifiers, pressable);
        if (choice && better(*choice, best))
            best = choice;
    }
    m_found.emplace(std::move(question), best);
    return best;
}

std::optional<KeyboardLayout::Choice> KeyboardLayout::findOn(unsigned keycode, const std::vector<Keysym>& keysyms,
                                                             unsigned group, unsigned lockedModifiers) const
{
    const Key* k = key(keycode);
    if (!k)
        return std::nullopt;
    return chooseOn(keycode, *k, keysyms, group, lockedModifiers, pressableModifiers());
}

std::optional<KeyboardLayout::Choice> KeyboardLayout::chooseOn(unsigned keycode, const Key& key,
                                                               const std::vector<Keysym>& keysyms, unsigned group,
                                                               unsigned lockedModifiers, unsigned pressable) const
{
    const auto groupIndex = effectiveGroup(key, group);
    if (!groupIndex)
        return std::nullopt;
    const Group& g = key.groups[*groupIndex];
    const unsigned locked = lockedModifiers & g.typeModifiers;

    std::optional<Choice> best;
    // Every modifier set the key type can tell apart, as long as it keeps the locked modifiers
    // (they cannot be released by pressing a key) and adds only modifiers some key can set.
    for (unsigned mods = 0; mods < (1u << modifierCount); ++mods) {
        if ((mods & ~g.typeModifiers) != 0 || (mods & locked) != locked)
            continue;
        const unsigned extra = mods & ~locked;
        if ((extra & ~pressable) != 0)
            continue;
        const unsigned level = levelFor(g, mods);
        if (level >= g.levels.size() || g.levels[level] == 0)
            continue;
        if (std::find(keysyms.begin(), keysyms.end(), g.levels[level]) == keysyms.end())
            continue;
        const Choice choice{keycode, extra};
        if (better(choice, best))
            best = choice;
    }
    return best;
}

std::optional<std::vector<unsigned>> KeyboardLayout::modifierKeys(unsigned modifiers) const
{
    std::vector<unsigned> keys;
    for (unsigned bit = 0; bit < 8; ++bit) {
        const unsigned modifier = 1u << bit;
        if ((modifiers & modifier) == 0)
            continue;
        const unsigned keycode = modifierKey(modifier);
        if (keycode == 0)
            return std::nullopt;
        keys.push_back(keycode);
    }
    return keys;
}

unsigned KeyboardLayout::modifierKey(unsigned modifier) const
{
    unsigned fallback = 0;
    for (unsigned keycode = 0; keycode < m_keys.size(); ++keycode) {
        if (!m_keys[keycode])
            continue;
        const unsigned sets = m_keys[keycode]->setsModifiers;
        if (sets == modifier)
            return keycode;
        if ((sets & modifier) != 0 && fallback == 0)
            fallback = keycode;
    }
    return fallback;
}

unsigned KeyboardLayout::pressableModifiers() const
{
    unsigned mask = 0;
    for (const auto& k : m_keys) {
        if (k)
            mask |= k->setsModifiers;
    }
    return mask;
}

std::vector<Keysym> KeyboardLayout::keysymsOf(unsigned keycode) const
{
    std::vector<Keysym> keysyms;
    const Key* k = key(keycode);
    if (!k)
        return keysyms;
    for (const Group& g : k->groups) {
        for (Keysym s : g.levels) {
            if (s != 0)
                keysyms.push_back(s);
        }
    }
    return keysyms;
}

std::vector<unsigned> KeyboardLayout::emptyKeycodes() const
{
    std::vector<unsigned> keycodes;
    for (unsigned keycode = 0; keycode < m_keys.size(); ++keycode) {
        const auto& k = m_keys[keycode];
        if (k && k->setsModifiers == 0 && !k->inModifierMap && keysymsOf(keycode).empty())
            keycodes.push_back(keycode);
    }
    return keycodes;
}

} // namespace orvanel
