#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace orvanel {

// Calls handed to the thread this object lives on, from any thread, run there in the order given.
// They wait in a list of its own under a std::mutex, and the thread is woken with an empty event: what
// a call carries is handed over by that lock, which ThreadSanitizer follows, where Qt's own queue of
// calls hands it over in ways ThreadSanitizer cannot see.
class ThreadInbox : public QObject
{
public:
    using Call = std::function<void()>;

    void post(Call call);

protected:
    bool event(QEvent* event) override;

private:
    std::mutex m_mutex; // guards what follows
    std::deque<Call> m_calls;
    bool m_woken = false; // a wake-up event is on its way
};

} // namespace orvanel
