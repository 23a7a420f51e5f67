#pragma once

#include "app/CommandLine.h"
#include "session/RaceOptions.h"
#include "storage/SettingsFile.h"

namespace orvanel {

// The race's options: the command line's, and orvanel.conf's where the command line sets nothing, so
// that a start from the desktop menu gets the race-day options too. The devices orvanel.conf gives
// the ports go into command.ports where the command line chose none. The lines of orvanel.conf that
// were not used are told on standard error.
RaceOptions raceOptions(CommandLine& command, const Settings& settings);

} // namespace orvanel
