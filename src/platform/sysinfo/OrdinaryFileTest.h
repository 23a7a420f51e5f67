#pragma once

#include "system/FileTest.h"

namespace orvanel {

// A regular file (links followed) whose name does not start with ".", the mark of a hidden file.
class OrdinaryFileTest : public FileTest
{
public:
    bool isOrdinaryFile(const std::string& path) override;
};

} // namespace orvanel
