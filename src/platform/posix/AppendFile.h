#pragma once

#include "platform/posix/FileDescriptor.h"
#include "system/LineSink.h"

#include <optional>
#include <string>
#include <string_view>

namespace orvanel {

// A log file that only grows: each line goes to the end of the file at once, with nothing
// buffered, and whole or not at all: a write cut short (a full disk) is taken back, so that the
// file never holds half a line of ours. The file is made when the first line comes, headed by
// header when it is new or empty; when it cannot be opened, every later line tries again. A
// symbolic link of another user's is not followed (see followTrustedLinks).
class AppendFile : public LineSink
{
public:
    AppendFile(std::string path, std::string header);

    FileProblem append(const std::string& line) override;

    const std::string& path() const { return m_path; }

private:
    FileProblem writeWhole(std::string_view text);

    std::string m_path;
    std::string m_header;
    std::optional<FileDescriptor> m_file;
    bool m_headerDue = false; // the file is empty: the header goes with the next line
};

} // namespace orvanel
