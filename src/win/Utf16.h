#pragma once

#include <string>

namespace orvanel {

// The core speaks UTF-8; the wide Windows API speaks UTF-16.
std::wstring toUtf16(const std::string& utf8);
std::string toUtf8(const std::wstring& utf16);

} // namespace orvanel
