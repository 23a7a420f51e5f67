#pragma once

#include <string>

namespace orvanel {

// The core's texts and paths are UTF-8; the system's wide API takes UTF-16. Bytes that are not valid
// UTF-8 become U+FFFD, so that a bad name fails to open rather than opening another file.
std::wstring toWide(const std::string& utf8);
std::string toUtf8(const std::wstring& wide);

} // namespace orvanel
