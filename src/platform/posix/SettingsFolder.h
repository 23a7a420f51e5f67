#pragma once

#include "system/FileProblem.h"

#include <string>

namespace orvanel {

// The folder where a desktop start keeps the program's files: "orvanel" in the user's configuration
// directory, $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config. Empty when neither is
// usable (no absolute HOME either). Both values are passed in, as read from the environment (null if unset).
std::string settingsFolderPath(const char* xdgConfigHome, const char* home);

// Creates `path` and any missing parent, new folders readable by the user alone. Empty when the folder
// exists afterwards.
FileProblem makeFolder(const std::string& path);

} // namespace orvanel
