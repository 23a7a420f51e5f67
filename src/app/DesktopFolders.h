#pragma once

#include "app/CommandLine.h"
#include "system/Files.h"

#include <string>

namespace orvanel {

// A desktop start works in the user's settings folder, so that config.cfg does not land in the home
// folder. Files named on the command line are still where the user meant.
void enterSettingsFolder(CommandLine& command, Files& files);

// Where a desktop start's file dialogs begin: the user's documents, not the hidden settings folder.
std::string documentsFolder();

} // namespace orvanel
