#pragma once

#include "system/LineSink.h"

#include <string>
#include <vector>

namespace orvanel::test {

// Keeps every line it is given; while problem is set it refuses them with it.
class RecordingLineSink : public LineSink
{
public:
    FileProblem append(const std::string& line) override
    {
        ++attempts;
        if (problem.empty())
            lines.push_back(line);
        return problem;
    }
    std::vector<std::string> lines;
    FileProblem problem;
    int attempts = 0;
};

} // namespace orvanel::test
