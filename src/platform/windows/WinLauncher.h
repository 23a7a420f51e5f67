#pragma once

#include "system/ProgramLauncher.h"

namespace orvanel {

// Starts the program file named by command, a full path, with no shell, no arguments and no search
// along PATH (CreateProcessW); the handles the system gives back are closed at once, so nothing of
// the program stays with this process.
class WinLauncher : public ProgramLauncher
{
public:
    bool launch(const std::string& command) override;
};

} // namespace orvanel
