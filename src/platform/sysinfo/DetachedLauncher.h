#pragma once

#include "system/ProgramLauncher.h"

namespace orvanel {

// Starts the command as a program of its own, with no shell and no arguments, detached so that
// nothing of it stays with this process; a program that cannot be executed is not started.
class DetachedLauncher : public ProgramLauncher
{
public:
    bool launch(const std::string& command) override;
};

} // namespace orvanel
