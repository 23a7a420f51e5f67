#pragma once

#include <string>

namespace orvanel {

// Where outcomes are reported to the user: the main window's status line.
class StatusSink
{
public:
    virtual ~StatusSink() = default;
    virtual void showStatus(const std::string& text) = 0;
    // A text that stands whenever no other message is shown, until it is replaced (empty: none).
    virtual void setStandingStatus(const std::string& text) = 0;
};

} // namespace orvanel
