#include "bridge-sim/WholeNumber.h"

namespace orvanel {

std::optional<unsigned long> parseWholeNumber(const std::string& text, unsigned long low, unsigned long high)
{
    // Ten digits at most, so that std::stoul never overflows.
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long value = std::stoul(text);
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace orvanel
