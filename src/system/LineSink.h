#pragma once

#include "system/FileProblem.h"

#include <string>

namespace orvanel {

// Where a log's lines go, each whole and at once.
class LineSink
{
public:
    virtual ~LineSink() = default;
    // line ends with its line break; the answer is empty once it is stored, else why it is not.
    virtual FileProblem append(const std::string& line) = 0;
};

} // namespace orvanel
