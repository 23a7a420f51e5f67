#include "status/StatusLine.h"

namespace orvanel {

StatusLine::StatusLine(std::function<void(const std::string&)> setCaption, OneShotTimer& timer, int clearDelayMs)
    : m_setCaption(std::move(setCaption)), m_timer(timer), m_clearDelayMs(clearDelayMs)
{
    m_timer.setTimeoutHandler([this] { clearStatus(); });
}

void StatusLine::showStatus(const std::string& text)
{
    m_caption = text;
    m_setCaption(m_caption);
    // Restart from the full delay, so the text stays its whole time after the latest post.
    m_timer.stop();
    m_timer.start(m_clearDelayMs);
}

void StatusLine::setStandingStatus(const std::string& text)
{
    m_standing = text;
    if (!m_timer.isActive())
        showLasting();
}

void StatusLine::setBackgroundStatus(const std::string& text)
{
    m_background = text;
    if (!m_timer.isActive())
        showLasting();
}

void StatusLine::clearStatus()
{
    showLasting();
    m_timer.stop();
}

void StatusLine::showLasting()
{
    m_caption = lasting();
    m_setCaption(m_caption);
}

} // namespace orvanel
