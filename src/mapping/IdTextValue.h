#pragma once

#include <string_view>

namespace orvanel {

// The number an ID text holds. Blanks, tabs and line feeds are ignored wherever they stand, then the
// leading number is read: an optional sign, decimal digits with at most one "." and an optional
// exponent ("1.5E3"), or a hexadecimal ("&H1F") or octal ("&O17") integer. Reading stops at the
// first character that cannot continue the number ("12abc" is 12, "1,2" is 1).
struct IdNumber
{
    bool present = false; // false: the text starts with no number at all ("", "abc", "-")
    double value = 0.0;   // +-infinity when the number lies beyond the range of a double ("1E999")
};

IdNumber ReadIdNumber(std::string_view text);

} // namespace orvanel
