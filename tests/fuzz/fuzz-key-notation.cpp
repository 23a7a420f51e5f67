#include "fuzz/FuzzCheck.h"
#include "mapping/KeyNotation.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using orvanel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const orvanel::KeyNotationResult result =
        orvanel::parseKeyNotation(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!result.ok) {
        require(result.keys.empty() && !result.error.empty(), "a refused text types nothing and says why");
        return 0;
    }

    // Every key event counts: each tap of a repeat, each press and each release.
    std::uint64_t events = 0;
    std::vector<orvanel::Modifier> held;
    for (const orvanel::KeyEvent& event : result.keys) {
        switch (event.type) {
        case orvanel::KeyEvent::Type::PressModifier:
            require(std::find(held.begin(), held.end(), event.modifier) == held.end(),
                    "a modifier is not pressed while it is held");
            held.push_back(event.modifier);
            ++events;
            break;
        case orvanel::KeyEvent::Type::ReleaseModifier:
            require(!held.empty() && held.back() == event.modifier, "modifiers are released in reverse order");
            held.pop_back();
            ++events;
            break;
        case orvanel::KeyEvent::Type::TapKey:
        case orvanel::KeyEvent::Type::TapCharacter:
            events += event.count;
            break;
        }
    }
    require(held.empty(), "no modifier is left held");
    require(result.keys.size() <= orvanel::kMaxKeyEvents && events <= orvanel::kMaxKeyEvents,
            "no text makes more key events than the limit");
    return 0;
}
