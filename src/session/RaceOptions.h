#pragma once

#include "status/StatusLine.h"

#include <cstdint>
#include <string>

namespace orvanel {

// Key-strokes filled in at start-up, as the menu's presets would.
enum class KeyPreset
{
    None,
    Digits,       // as "Key-S = 1-0"
    FunctionKeys, // as "Key-S = F1-F12"
};

// How a race is set up, from the command line and orvanel.conf.
struct RaceOptions
{
    int statusDelayMs = StatusLine::kClearDelayMs;
    // Where the chosen port is kept between runs; empty keeps it nowhere.
    std::string portSettingFile;
    // Unattended start-up: an ID list to load, key-strokes to preset, and Start once connected.
    std::string idListFile;
    KeyPreset preset = KeyPreset::None;
    bool start = false;
    // Race day: a car's passings closer than this type once (0: no minimum), and the log's file
    // (empty: none).
    std::uint32_t minGapMs = 0;
    std::string logFile;
    // Why orvanel.conf was not used (another user's file), kept behind the status line.
    std::string untrustedSettings;
};

} // namespace orvanel
