#pragma once

#include <string>

namespace orvanel {

class MessageBox
{
public:
    virtual ~MessageBox() = default;
    // Shows the text with an OK button and returns once the user has dismissed it.
    virtual void show(const std::string& text) = 0;
};

} // namespace orvanel
