#pragma once

#include <optional>
#include <string>

namespace orvanel {

// A whole decimal number from low to high written with digits only: no sign, no blanks, no other
// characters. Used for every number the simulator reads from its command line and its commands.
std::optional<unsigned long> parseWholeNumber(const std::string& text, unsigned long low, unsigned long high);

} // namespace orvanel
