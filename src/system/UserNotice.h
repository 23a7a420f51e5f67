#pragma once

#include <string>

namespace orvanel {

// A message the user must acknowledge: a message box of the window's own.
class UserNotice
{
public:
    virtual ~UserNotice() = default;
    // Shows the text with an OK button and returns once the user has dismissed it.
    virtual void show(const std::string& text) = 0;
};

} // namespace orvanel
