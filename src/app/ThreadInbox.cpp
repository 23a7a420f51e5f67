#include "app/ThreadInbox.h"

#include <QCoreApplication>
#include <QEvent>
#include <utility>

namespace orvanel {

namespace {

constexpr QEvent::Type wakeUp = QEvent::User;

} // namespace

void ThreadInbox::post(Call call)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(std::move(call));
        if (std::exchange(m_woken, true))
            return;
    }
    QCoreApplication::postEvent(this, new QEvent(wakeUp));
}

bool ThreadInbox::event(QEvent* event)
{
    if (event->type() != wakeUp)
        return QObject::event(event);
    // Only the calls there now: those posted meanwhile come with a wake-up of their own, after the
    // thread's other events, so that a thread posting all the time cannot starve them.
    std::deque<Call> calls;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        calls.swap(m_calls);
        m_woken = false;
    }
    for (Call& call : calls)
        call();
    return true;
}

} // namespace orvanel
