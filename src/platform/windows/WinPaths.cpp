#include "platform/windows/WinPaths.h"

namespace orvanel {

std::size_t nameStart(const std::string& path)
{
    const std::size_t last = path.find_last_of("\\/:");
    return last == std::string::npos ? 0 : last + 1;
}

} // namespace orvanel
