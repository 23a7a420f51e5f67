#pragma once

#include "mapping/Beeper.h"
#include "mapping/KeyInjector.h"
#include "mapping/KeyNotation.h"
#include "mapping/MappingTable.h"
#include "status/StatusSink.h"

#include <array>
#include <cstdint>
#include <string>

namespace orvanel {

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
    };

    // Finds the transponder's row (or, with autoAssign, claims the first empty row for it), types
    // that row's key-stroke text, beeps and shows the ID. A passing that has no row, or whose
    // key-stroke text breaks the notation, types nothing but still beeps and shows the ID. With
    // mayType false (the program's own window has the keyboard focus, and the keys would land in
    // it) nothing is typed either, and the rest happens as usual.
    Typing onPassing(const std::int16_t& id, bool autoAssign, bool mayType = true);

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
};

} // namespace orvanel
