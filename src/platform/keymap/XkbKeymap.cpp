#include "platform/keymap/XkbKeymap.h"

#include <xkbcommon/xkbcommon.h>

namespace orvanel {

namespace {

constexpr std::size_t maskSlots = 16;

// The modifier sets that select each level of one group of a key, and so the key type's modifiers.
KeyboardLayout::Group groupOf(xkb_keymap* keymap, xkb_keycode_t keycode, xkb_layout_index_t layout)
{
    KeyboardLayout::Group group;
    const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, keycode, layout);
    for (xkb_level_index_t level = 0; level < levels; ++level) {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, layout, level, &syms);
        group.levels.push_back(count > 0 ? syms[0] : XKB_KEY_NoSymbol);
        xkb_mod_mask_t masks[maskSlots] = {};
        const std::size_t maskCount =
            xkb_keymap_key_get_mods_for_level(keymap, keycode, layout, level, masks, maskSlots);
        for (std::size_t i = 0; i < maskCount; ++i) {
            group.typeModifiers |= masks[i];
            if (masks[i] != 0)
                group.levelOfMods.emplace_back(masks[i], level);
        }
    }
    return group;
}

unsigned modifiersHeldBy(xkb_keymap* keymap, xkb_keycode_t keycode)
{
    xkb_state* state = xkb_state_new(keymap);
    if (!state)
        return 0;
    xkb_state_update_key(state, keycode, XKB_KEY_DOWN);
    const unsigned mods = xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED);
    xkb_state_unref(state);
    return mods;
}

} // namespace

std::unique_ptr<XkbKeymap> XkbKeymap::compile(const KeyboardNames& names, std::string& error)
{
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!context) {
        error = "libxkbcommon cannot start";
        return nullptr;
    }
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    const xkb_rule_names rmlvo{"evdev", names.model.c_str(), names.layout.c_str(), names.variant.c_str(),
                               names.options.empty() ? nullptr : names.options.c_str()};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &rmlvo, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        xkb_context_unref(context);
        error = "no XKB keyboard map \"" + names.layoutText() + "\"";
        return nullptr;
    }
    return std::unique_ptr<XkbKeymap>(new XkbKeymap(context, keymap));
}

XkbKeymap::XkbKeymap(xkb_context* context, xkb_keymap* keymap) : m_context(context), m_keymap(keymap) {}

XkbKeymap::~XkbKeymap()
{
    xkb_keymap_unref(m_keymap);
    xkb_context_unref(m_context);
}

KeyboardLayout XkbKeymap::layout() const
{
    KeyboardLayout layout;
    const xkb_keycode_t last = xkb_keymap_max_keycode(m_keymap);
    for (xkb_keycode_t keycode = xkb_keymap_min_keycode(m_keymap); keycode <= last; ++keycode) {
        KeyboardLayout::Key key;
        const xkb_layout_index_t groups = xkb_keymap_num_layouts_for_key(m_keymap, keycode);
        for (xkb_layout_index_t g = 0; g < groups; ++g)
            key.groups.push_back(groupOf(m_keymap, keycode, g));
        key.setsModifiers = modifiersHeldBy(m_keymap, keycode);
        key.inModifierMap = key.setsModifiers != 0;
        layout.setKey(keycode, std::move(key));
    }
    return layout;
}

} // namespace orvanel
