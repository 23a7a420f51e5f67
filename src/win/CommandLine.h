#pragma once

#include "bridge/PortMap.h"
#include "session/RaceOptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvanel {

// What the command line of Orvanel.exe asks for: the Linux program's options that apply on Windows,
// with the same texts.
struct CommandLine
{
    enum class Action
    {
        Run,
        ShowHelp,
        ShowVersion,
        ListPorts,
        Fail, // error holds why
    };

    Action action = Action::Run;
    PortMap ports;
    std::string idListFile; // UTF-8; loaded at start-up as "Cargar IDs" would; empty: none
    KeyPreset preset = KeyPreset::None;
    bool start = false;                    // press Start once the window has connected
    bool inSettingsFolder = false;         // work in %APPDATA%\Orvanel, as the Start menu's shortcut does
    std::optional<std::uint32_t> minGapMs; // a car's passings closer than this type once; 0: none
    std::string logFile;                   // UTF-8; every passing and link event appended; empty: none
    int keyDelayMs = 0;
    std::string error;
};

// arguments: UTF-8, without the program's name.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);
std::string commandLineHelp();

} // namespace orvanel
