#pragma once

#include "platform/windows/WinFileHandle.h"
#include "system/LineSink.h"

#include <optional>
#include <string>
#include <string_view>

namespace orvanel {

// A log file that only grows: opened for appending alone (FILE_APPEND_DATA), so that each line goes
// to the end of the file at once, with nothing buffered, and whole or not at all: a write cut short
// (a full disk) is taken back, so that the file never holds half a line of ours. The file is made
// when the first line comes, headed by header when it is new or empty; when it cannot be opened
// (another program holds it without sharing), every later line tries again. Other programs may read
// it meanwhile.
class WinAppendFile : public LineSink
{
public:
    WinAppendFile(std::string path, std::string header);

    FileProblem append(const std::string& line) override;

private:
    FileProblem open();
    FileProblem writeWhole(std::string_view text);

    std::string m_path;
    std::string m_header;
    std::optional<WinFileHandle> m_file;
    bool m_headerDue = false; // the file is empty: the header goes with the next line
};

} // namespace orvanel
