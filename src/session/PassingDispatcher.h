#pragma once

#include "mapping/Beeper.h"
#include "mapping/KeyInjector.h"
#include "mapping/MappingTable.h"
#include "status/StatusSink.h"

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

    // Finds the transponder's row (or, with autoAssign, claims the first empty row for it), types
    // that row's key-stroke text, beeps and shows the ID. A passing that has no row, or whose
    // key-stroke text breaks the notation, types nothing but still beeps and shows the ID.
    void onPassing(const std::int16_t& id, bool autoAssign);

private:
    MappingTable& m_table;
    KeyInjector& m_keys;
    Beeper& m_beeper;
    StatusSink& m_status;
};

} // namespace orvanel
