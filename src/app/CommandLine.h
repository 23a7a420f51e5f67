#pragma once

#include "bridge/PortMap.h"
#include "platform/KeyBackendChoice.h"
#include "session/RaceOptions.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace orvanel {

// What the command line asks for.
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

    using Preset = KeyPreset;

    Action action = Action::Run;
    PortMap ports;
    QString idListFile; // loaded at start-up as "Cargar IDs" would; empty: none
    Preset preset = Preset::None;
    bool start = false;                    // press Start once the window has connected
    bool inSettingsFolder = false;         // work in the user's settings folder, as a desktop start does
    std::optional<std::uint32_t> minGapMs; // a car's passings closer than this type once; 0: none
    QString logFile;                       // every passing and link event appended; empty: none
    // How key-strokes are typed: --keys, --layout (empty: the system's keyboard), --key-delay.
    KeyBackend keys = KeyBackend::Auto;
    QString layout;
    int keyDelayMs = 0;
    QString error;
    // Fail on an unknown argument that starts with "-": it may be one of Qt's own (-platform,
    // -display, ...), which only QApplication recognises and takes out of the arguments.
    bool mayBeQtOption = false;
};

CommandLine parseCommandLine(const QStringList& arguments);
QString commandLineHelp();

} // namespace orvanel
