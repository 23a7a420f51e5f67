#pragma once

#include <string>

namespace orvanel {

class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;
    // Starts the program and returns at once, without waiting for it or keeping anything of it.
    // False when it could not be started, for whatever reason.
    virtual bool launch(const std::string& command) = 0;
};

} // namespace orvanel
