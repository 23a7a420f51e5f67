#pragma once

#include "storage/FileDescriptor.h"
#include "storage/LineSink.h"

#include <optional>
#include <string>

namespace orvanel {

// A log file that only grows: each line goes to the end of the file in one write, with nothing
// buffered, so another program reading it (or a crash) never meets half a line of ours. The file
// is made when the first line comes, headed by header when it is new or empty; when it cannot be
// opened, every later line tries again.
class AppendFile : public LineSink
{
public:
    AppendFile(std::string path, std::string header);

    FileProblem append(const std::string& line) override;

    const std::string& path() const { return m_path; }

private:
    FileProblem write(const std::string& text);

    std::string m_path;
    std::string m_header;
    std::optional<FileDescriptor> m_file;
};

} // namespace orvanel
