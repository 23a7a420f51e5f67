#include "storage/FileStart.h"

namespace orvanel {

FileStart readFileStart(Files& files, const std::string& path, std::size_t maxBytes)
{
    FileStart start;
    start.reading = files.read(path, FileOwners::UserOrRoot, maxBytes, [&start](std::string_view bytes) {
        start.text += bytes;
        return true;
    });
    if (!start.reading.problem.empty())
        start.text.clear();
    return start;
}

} // namespace orvanel
