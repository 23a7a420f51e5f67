#pragma once

#include "bridge/PortMap.h"
#include "platform/PlatformServices.h"
#include "system/ByteLine.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace orvanel {

// What the passing thread gets from the passings module.
struct PassingParts
{
    PlatformServices platform;
    std::unique_ptr<ByteLine> line;
};

// Where the passings module is looked for, in order: next to the program (the build tree), then in its
// installed folder, found from the program's own so that a staged or moved installation finds it too.
QStringList passingsModuleFiles(const QString& programFolder);

// Loads the passings module from the first of moduleFiles that exists and makes the parts with it. A
// module that is missing or does not load is no crash: keys are not typed, nothing beeps and the line
// does not open, each saying in Spanish which file and why (keysProblem, which the window shows and
// writes on standard error, and the line's error). Called on the passing thread; the module then stays
// loaded for the program's life.
PassingParts makePassingParts(const QStringList& moduleFiles, const KeyOptions& keyOptions, const PortMap& ports);

} // namespace orvanel
