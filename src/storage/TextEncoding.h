#pragma once

#include <string>
#include <string_view>

namespace orvanel {

// Whether bytes are well-formed UTF-8: no stray or missing continuation bytes, no overlong forms,
// no surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// How many UTF-16 code units UTF-8 text takes: one for each character, two beyond U+FFFF.
std::size_t utf16Length(std::string_view utf8);

// Windows-1252 text (the 8-bit code page of western Windows systems) in UTF-8. The five bytes the
// code page leaves undefined stand for the control characters of the same number.
std::string windows1252ToUtf8(std::string_view bytes);

} // namespace orvanel
