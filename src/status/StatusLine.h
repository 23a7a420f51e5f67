#pragma once

#include "status/StatusSink.h"
#include "system/OneShotTimer.h"

#include <functional>
#include <string>

namespace orvanel {

// The main window's status line: shows the latest message and clears it a fixed time after the
// latest post. There is no queue: a post replaces the shown text at once. A standing text (a state
// that lasts, such as a lost link) comes back whenever the latest message has cleared; below it, a
// background text (a lasting trouble of less weight, such as a log that cannot be written) comes back
// when there is neither.
class StatusLine : public StatusSink
{
public:
    static constexpr int kClearDelayMs = 5000;

    // setCaption writes the label's text; timer is the label's countdown.
    StatusLine(std::function<void(const std::string&)> setCaption, OneShotTimer& timer,
               int clearDelayMs = kClearDelayMs);

    void showStatus(const std::string& text) override;
    void setStandingStatus(const std::string& text) override;
    void setBackgroundStatus(const std::string& text);
    void clearStatus();

    const std::string& caption() const { return m_caption; }

private:
    // What stands while no message is shown.
    const std::string& lasting() const { return m_standing.empty() ? m_background : m_standing; }
    void showLasting();

    std::function<void(const std::string&)> m_setCaption;
    OneShotTimer& m_timer;
    int m_clearDelayMs;
    std::string m_caption;
    std::string m_standing;
    std::string m_background;
};

} // namespace orvanel
