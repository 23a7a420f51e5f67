#include "app/PassingNotices.h"

#include <utility>

namespace orvanel {

PassingNotices::PassingNotices(ThreadInbox& window, RaceView& view) : m_window(window), m_view(view)
{
    m_frame.setSingleShot(true);
    m_frame.setInterval(kFrameMs);
    QObject::connect(&m_frame, &QTimer::timeout, this, [this] { deliver(); });
}

void PassingNotices::setBeeper(Beeper* beeper)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_beeper = beeper;
}

void PassingNotices::showStatus(const std::string& text)
{
    gather([&text](PassingNotices& notices) { notices.m_status = text; });
}

void PassingNotices::showReason(const std::string& text)
{
    gather([&text](PassingNotices& notices) { notices.m_reason = text; });
}

void PassingNotices::beepExclamation()
{
    gather([](PassingNotices& notices) { notices.m_beep = true; });
}

template <typename Change> void PassingNotices::gather(Change change)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        change(*this);
        if (m_due)
            return;
        m_due = true;
    }
    m_window.post([this] { m_frame.start(); });
}

void PassingNotices::deliver()
{
    std::optional<std::string> status;
    std::optional<std::string> reason;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_status && !m_reason && !m_beep) {
            m_due = false;
            return;
        }
        status = std::exchange(m_status, std::nullopt);
        reason = std::exchange(m_reason, std::nullopt);
        // Under the lock, so that the beeper cannot go while it rings.
        if (std::exchange(m_beep, false) && m_beeper)
            m_beeper->beepExclamation();
    }
    if (status)
        m_view.showStatus(*status);
    if (reason)
        m_view.showReason(*reason);
    m_frame.start();
}

} // namespace orvanel
