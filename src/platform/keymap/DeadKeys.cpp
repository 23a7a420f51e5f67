#include "platform/keymap/DeadKeys.h"

#include <bitset>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

namespace orvanel {

namespace {

constexpr unsigned modifierCount = 8;

// Every keysym the first group of the map types, with the number of modifiers it needs.
std::map<Keysym, std::size_t> typableKeysyms(const KeyboardLayout& layout)
{
    constexpr unsigned lastKeycode = 0x2ff + 8; // XKB keycodes reach the kernel's last key code + 8
    std::map<Keysym, std::size_t> typable;
    for (unsigned keycode = 0; keycode <= lastKeycode; ++keycode) {
        const KeyboardLayout::Key* key = layout.key(keycode);
        if (!key || key->groups.empty())
            continue;
        for (Keysym keysym : key->groups.front().levels) {
            if (keysym == 0 || typable.count(keysym) != 0)
                continue;
            if (const auto choice = layout.find({keysym}, 0, 0))
                typable[keysym] = std::bitset<modifierCount>(choice->modifiers).count();
        }
    }
    return typable;
}

} // namespace

DeadKeys DeadKeys::fromCompose(const KeyboardLayout& layout, const std::string& locale)
{
    DeadKeys deadKeys;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context)
        return deadKeys;
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    xkb_compose_table* table = xkb_compose_table_new_from_locale(context, locale.c_str(), XKB_COMPOSE_COMPILE_NO_FLAGS);
    xkb_compose_state* state = table ? xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS) : nullptr;
    if (state) {
        const std::map<Keysym, std::size_t> typable = typableKeysyms(layout);
        std::map<Keysym, std::size_t> cost; // modifiers a sequence needs, to keep the easiest one
        for (const auto& [dead, deadModifiers] : typable) {
            xkb_compose_state_reset(state);
            xkb_compose_state_feed(state, static_cast<xkb_keysym_t>(dead));
            if (xkb_compose_state_get_status(state) != XKB_COMPOSE_COMPOSING)
                continue;
            for (const auto& [base, baseModifiers] : typable) {
                xkb_compose_state_reset(state);
                xkb_compose_state_feed(state, static_cast<xkb_keysym_t>(dead));
                xkb_compose_state_feed(state, static_cast<xkb_keysym_t>(base));
                if (xkb_compose_state_get_status(state) != XKB_COMPOSE_COMPOSED)
                    continue;
                const Keysym result = xkb_compose_state_get_one_sym(state);
                if (result == XKB_KEY_NoSymbol || typable.count(result) != 0)
                    continue;
                const std::size_t modifiers = deadModifiers + baseModifiers;
                const auto known = cost.find(result);
                if (known == cost.end() || modifiers < known->second) {
                    cost[result] = modifiers;
                    deadKeys.m_byResult[result] = {dead, base};
                }
            }
        }
    }
    xkb_compose_state_unref(state);
    xkb_compose_table_unref(table);
    xkb_context_unref(context);
    return deadKeys;
}

std::optional<DeadKeys::Sequence> DeadKeys::find(const std::vector<Keysym>& keysyms) const
{
    for (Keysym keysym : keysyms) {
        if (const auto found = m_byResult.find(keysym); found != m_byResult.end())
            return found->second;
    }
    return std::nullopt;
}

std::string composeLocale(const std::function<std::string(const char*)>& getenv)
{
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        if (std::string value = getenv(name); !value.empty())
            return value;
    }
    return "C";
}

} // namespace orvanel
