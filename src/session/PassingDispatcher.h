#pragma once

#include "mapping/Beeper.h"
#include "mapping/KeyInjector.h"
#include "mapping/KeyNotation.h"
#include "mapping/MappingTable.h"
#include "status/StatusSink.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orvanel {

class GapGuard;
class RaceLog;

// "Transponder ID = " and the ID with a sign position: a blank before 0 and positive IDs.
std::string TransponderIdText(std::int16_t id);

// Turns a transponder passing into the key-stroke of the car's row.
class PassingDispatcher
{
public:
    PassingDispatcher(MappingTable& table, KeyInjector& keys, Beeper& beeper, StatusSink& status);

    enum class Typing
    {
        Typed,
        Nothing,  // no row, or a key-stroke text that breaks the notation or is empty
        Withheld, // the row's key-stroke was kept back: see onPassing
        HeldBack, // too soon after the car's last typed passing (see GapGuard)
    };

    // Finds the transponder's row (or, with autoAssign, claims the first empty row for it), types
    // that row's key-stroke text, beeps and shows the ID. A passing that has no row, or whose
    // key-stroke text breaks the notation, types nothing but still beeps and shows the ID. With
    // mayType false (the program's own window has the keyboard focus, and the keys would land in
    // it) nothing is typed either, and the rest happens as usual. With a gap guard, a passing too
    // soon after the car's last typed one (judged by the bridge's stamp) types nothing either.
    // Every passing goes to the log, when there is one.
    Typing onPassing(const std::int16_t& id, bool autoAssign, bool mayType = true,
                     std::optional<std::uint32_t> stamp = std::nullopt);

    // Both are off (null) unless set; they must outlive the dispatcher or be unset.
    void setGapGuard(GapGuard* guard) { m_guard = guard; }
    void setLog(RaceLog* log) { m_log = log; }

    // Why the last passing's key-stroke was kept back (Withheld, HeldBack), for the status line's
    // tooltip; empty otherwise.
    const std::string& holdReason() const { return m_holdReason; }

private:
    struct ParsedKeys
    {
        bool valid = false;
        std::string text;
        KeyNotationResult keys;
    };

    const KeyNotationResult& keysOf(std::size_t row);

    MappingTable& m_table;
    KeyInjector& m_keys;
    Beeper& m_beeper;
    StatusSink& m_status;
    std::array<ParsedKeys, MappingTable::kRows> m_parsed;
    GapGuard* m_guard = nullptr;
    RaceLog* m_log = nullptr;
    std::string m_holdReason;
};

} // namespace orvanel
