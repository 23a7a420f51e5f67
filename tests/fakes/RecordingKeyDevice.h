#pragma once

#include "platform/keymap/XkbKeymap.h"
#include "platform/uinput/KeyDeviceWriter.h"

#include <QString>
#include <set>
#include <vector>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

namespace orvanel::test {

struct Written
{
    unsigned code;
    bool press;
};

// The virtual keyboard as a list of the events written to it.
class RecordingKeyDevice : public KeyDeviceWriter
{
public:
    explicit RecordingKeyDevice(std::vector<Written>& events, int& reports) : m_events(events), m_reports(reports) {}
    bool key(unsigned code, bool press) override
    {
        m_events.push_back({code, press});
        return true;
    }
    bool sync() override
    {
        ++m_reports;
        return true;
    }

private:
    std::vector<Written>& m_events;
    int& m_reports;
};

// The locale whose compose table the desktop of the tests reads for dead keys.
inline constexpr const char* composeLocaleOfTests = "C.UTF-8";

// What a desktop with the same keyboard map makes of the events: the characters of the key presses,
// dead keys composed with the next key as the compose table of composeLocaleOfTests says, an Alt held
// shown as "%" before its character, as the notation writes it. Keys left down are an error.
inline QString typedText(const XkbKeymap& keymap, const std::vector<Written>& events)
{
    xkb_state* state = xkb_state_new(keymap.keymap());
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_compose_table* table =
        xkb_compose_table_new_from_locale(context, composeLocaleOfTests, XKB_COMPOSE_COMPILE_NO_FLAGS);
    xkb_compose_state* compose = table ? xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS) : nullptr;
    QString text;
    std::multiset<unsigned> down;
    for (const Written& event : events) {
        const xkb_keycode_t keycode = event.code + 8;
        if (event.press) {
            char utf8[16] = {};
            xkb_compose_status status = XKB_COMPOSE_NOTHING;
            if (compose) {
                xkb_compose_state_feed(compose, xkb_state_key_get_one_sym(state, keycode));
                status = xkb_compose_state_get_status(compose);
            }
            if (status == XKB_COMPOSE_COMPOSED)
                xkb_compose_state_get_utf8(compose, utf8, sizeof utf8);
            else if (status == XKB_COMPOSE_NOTHING)
                xkb_state_key_get_utf8(state, keycode, utf8, sizeof utf8);
            if (status == XKB_COMPOSE_COMPOSED || status == XKB_COMPOSE_CANCELLED)
                xkb_compose_state_reset(compose);
            if (utf8[0] != 0 && xkb_state_mod_name_is_active(state, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0)
                text += QLatin1Char('%');
            text += QString::fromUtf8(utf8);
            down.insert(event.code);
        } else if (!down.erase(event.code)) {
            text += QStringLiteral("<release of a key not down>");
        }
        xkb_state_update_key(state, keycode, event.press ? XKB_KEY_DOWN : XKB_KEY_UP);
    }
    xkb_compose_state_unref(compose);
    xkb_compose_table_unref(table);
    xkb_context_unref(context);
    xkb_state_unref(state);
    if (!down.empty())
        text += QStringLiteral("<keys left down>");
    return text;
}

} // namespace orvanel::test
