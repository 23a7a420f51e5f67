#pragma once

#include "mapping/KeyNotation.h"
#include "mapping/MappingTable.h"
#include "session/RaceLog.h"
#include "status/StatusSink.h"
#include "system/Beeper.h"
#include "system/KeyInjector.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orvanel {

class GapGuard;

// "Transponder ID = " and the ID with a sign position: a blank before 0 and positive IDs.
std::string TransponderIdText(std::int16_t id);

// Turns a transponder passing into the key-stroke of the car's row.
class PassingDispatcher
{
public:
    PassingDispatcher(MappingTable& table, KeyInjector& keys, Beeper& beeper, StatusSink& status);
    ~PassingDispatcher();
    PassingDispatcher(const PassingDispatcher&) = delete;
    PassingDispatcher& operator=(const PassingDispatcher&) = delete;

    enum class Typing
    {
        Sent,     // handed to the key injector, which tells what became of it (see setHoldHandler)
        Nothing,  // no row, or a key-stroke text that breaks the notation or is empty
        Withheld, // the keys would have landed in Orvanel itself or in no program: see onPassing
        HeldBack, // too soon after the car's last typed passing (see GapGuard)
    };

    // Finds the transponder's row (or, with autoAssign, claims the first empty row for it), sends
    // that row's key-stroke text, beeps and shows the ID. A passing that has no row, or whose
    // key-stroke text breaks the notation, types nothing but still beeps and shows the ID. When the
    // keys would land anywhere but in another program (target: the program's own window has the
    // keyboard focus, or no program has it) nothing is typed either, and the rest happens as usual.
    // With a gap guard, a passing too soon after the car's last typed one (judged by the bridge's
    // stamp) types nothing either; one that the injector gives up later still restarts the gap.
    // Every passing goes to the log, when there is one, once its fate is known: a sent key-stroke
    // when the injector says what became of it, which may be after later passings.
    Typing onPassing(const std::int16_t& id, bool autoAssign, KeyTarget target = KeyTarget::OtherProgram,
                     std::optional<std::uint32_t> stamp = std::nullopt);

    // Both are off (null) unless set; they must outlive the dispatcher or be unset.
    void setGapGuard(GapGuard* guard) { m_guard = guard; }
    void setLog(RaceLog* log) { m_log = log; }

    // Told why, in the user's words, each time a passing's key-stroke is not typed or typed only in
    // part, as soon as that is known: for the status line's tooltip.
    void setHoldHandler(std::function<void(const std::string&)> handler) { m_hold = std::move(handler); }

private:
    struct ParsedKeys
    {
        bool valid = false;
        std::string text;
        KeyNotationResult keys;
    };

    const KeyNotationResult& keysOf(std::size_t row);
    void settle(RaceLog::Passing passing, const std::string& claim, KeyOutcome outcome);
    void hold(const std::string& why);
    void log(RaceLog::Passing passing, const std::string& claim, const std::string& outcome);

    MappingTable& m_table;
    KeyInjector& m_keys;
    Beeper& m_beeper;
    StatusSink& m_status;
    std::array<ParsedKeys, MappingTable::kRows> m_parsed;
    GapGuard* m_guard = nullptr;
    RaceLog* m_log = nullptr;
    std::function<void(const std::string&)> m_hold;
};

} // namespace orvanel
