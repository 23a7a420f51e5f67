#pragma once

#include "system/FileTest.h"
#include "system/ProgramLauncher.h"
#include "system/Registry.h"

#include <memory>

namespace orvanel {

// What "System Info..." needs of the operating system, besides a message box of the window's own.
struct SystemInfoServices
{
    std::unique_ptr<Registry> registry;
    std::unique_ptr<FileTest> files;
    std::unique_ptr<ProgramLauncher> launcher;
};

} // namespace orvanel
