#pragma once

#include "PortMap.h"

#include <QString>
#include <QStringList>

namespace orvanel {

// What the command line asks for.
struct CommandLine
{
    enum class Action
    {
        Run,
        ShowHelp,
        ShowVersion,
        Fail, // error holds why
    };

    Action action = Action::Run;
    PortMap ports;
    QString error;
};

CommandLine parseCommandLine(const QStringList& arguments);
QString commandLineHelp();

} // namespace orvanel
