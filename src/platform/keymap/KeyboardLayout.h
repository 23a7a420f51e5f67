#pragma once

#include "platform/keymap/Keysyms.h"

#include <map>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

namespace orvanel {

// What an XKB keyboard map says about each keycode, reduced to what key injection needs:
// which keysym each group and level carries, which modifiers select a level, and which keys set modifiers.
// Modifier sets are masks of the eight real X modifiers (Shift = 1, Lock = 2, Control = 4, Mod1 = 8, ...).
class KeyboardLayout
{
public:
    // One group (layout) of a key: the key type's level selection and the keysym of each level.
    struct Group
    {
        unsigned typeModifiers = 0;                             // the modifiers the key type looks at
        std::vector<std::pair<unsigned, unsigned>> levelOfMods; // active entries: modifier set -> level
        std::vector<Keysym> levels;                             // keysym of each level, 0 for none
    };

    // What a key does with a group number beyond its own groups.
    enum class GroupOverflow
    {
        Wrap,
        Clamp,
        Redirect,
    };

    struct Key
    {
        std::vector<Group> groups;
        GroupOverflow overflow = GroupOverflow::Wrap;
        unsigned redirectGroup = 0;
        unsigned setsModifiers = 0; // modifiers the key sets while it is held, 0 if it is no such key
        bool inModifierMap = false;
    };

    // A key to tap and the modifiers that must be down (besides the locked ones) to get the wanted keysym.
    struct Choice
    {
        unsigned keycode = 0;
        unsigned modifiers = 0;
    };

    void setKey(unsigned keycode, Key key);
    const Key* key(unsigned keycode) const;

    // The key that types one of `keysyms` in `group` with the fewest extra modifiers, the lowest keycode on
    // a tie. Locked modifiers (Caps Lock, Num Lock) stay as they are: the choice works around them, so with
    // Caps Lock on "a" is Shift + the A key. Only modifiers some key can set are ever asked for.
    std::optional<Choice> find(const std::vector<Keysym>& keysyms, unsigned group, unsigned lockedModifiers) const;
    std::optional<Choice> findOn(unsigned keycode, const std::vector<Keysym>& keysyms, unsigned group,
                                 unsigned lockedModifiers) const;

    // The key to hold for one modifier: one that sets exactly that modifier if there is one. 0 if none.
    unsigned modifierKey(unsigned modifier) const;
    // The keys to hold for a set of modifiers, lowest modifier first; nothing if one has no key.
    std::optional<std::vector<unsigned>> modifierKeys(unsigned modifiers) const;

    // Every keysym bound to the key, in group and level order, without the empty ones.
    std::vector<Keysym> keysymsOf(unsigned keycode) const;

    // Keys with no keysym and no modifier role, free to be bound for a while.
    std::vector<unsigned> emptyKeycodes() const;

private:
    std::optional<Choice> chooseOn(unsigned keycode, const Key& key, const std::vector<Keysym>& keysyms, unsigned group,
                                   unsigned lockedModifiers, unsigned pressable) const;
    unsigned pressableModifiers() const;

    std::vector<std::optional<Key>> m_keys; // indexed by keycode
    // What find() answered, kept until a key changes: a search scans every key and modifier set, and
    // the same few keysyms are asked for at every passing.
    using FindQuestion = std::tuple<std::vector<Keysym>, unsigned, unsigned>;
    mutable std::map<FindQuestion, std::optional<Choice>> m_found;
};

} // namespace orvanel
