#pragma once

#include "system/FileTest.h"

namespace orvanel {

// A file that exists and is neither a folder, hidden nor a device (GetFileAttributesW; links followed).
class WinFileTest : public FileTest
{
public:
    bool isOrdinaryFile(const std::string& path) override;
};

} // namespace orvanel
