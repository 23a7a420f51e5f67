#include "app/RaceSettings.h"

#include "storage/PortSettingFile.h"

#include <QFile>
#include <cstdio>

namespace orvanel {

RaceOptions raceOptions(CommandLine& command, const Settings& settings)
{
    for (const FileProblem& problem : settings.problems)
        std::fprintf(stderr, "orvanel: %s\n", problem.c_str());
    for (std::int32_t port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port) {
        const auto& device = settings.portDevices[static_cast<std::size_t>(port - PortMap::kFirstPort)];
        if (device && !command.ports.isChosen(port))
            command.ports.setDevice(port, *device);
    }
    RaceOptions options;
    options.portSettingFile = kPortSettingFileName;
    options.idListFile = QFile::encodeName(command.idListFile).toStdString();
    options.preset = command.preset;
    options.start = command.start;
    options.minGapMs = command.minGapMs.value_or(settings.minGapMs.value_or(0));
    options.logFile = command.logFile.isEmpty() ? settings.logFile.value_or(std::string())
                                                : QFile::encodeName(command.logFile).toStdString();
    if (settings.untrusted)
        options.untrustedSettings = settings.problems.front();
    return options;
}

} // namespace orvanel
