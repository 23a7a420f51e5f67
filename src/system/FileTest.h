#pragma once

#include <string>

namespace orvanel {

class FileTest
{
public:
    virtual ~FileTest() = default;
    // Whether an ordinary file lies at path: not a folder, not hidden.
    virtual bool isOrdinaryFile(const std::string& path) = 0;
};

} // namespace orvanel
