#include "platform/pacing/KeyPacer.h"

namespace orvanel {

KeyPacer::KeyPacer(Typist& typist, SteadyClock clock) : m_typist(typist), m_clock(std::move(clock)) {}

void KeyPacer::setDelay(int delayMs, std::unique_ptr<OneShotTimer> timer)
{
    if (m_timer)
        m_timer->stop();
    m_delayMs = delayMs;
    m_timer = std::move(timer);
    if (m_timer)
        m_timer->setTimeoutHandler([this] { run(); });
    run();
}

void KeyPacer::send(const KeySequence& keys, KeyInjector::Done done)
{
    m_queue.push_back({keys, std::move(done), m_clock()});
    // While the timer runs, its tick goes on with the queue.
    if (!paced() || !m_timer->isActive())
        run();
}

void KeyPacer::run()
{
    // A done handler that sends again only queues: this loop takes that key-stroke up in its turn.
    if (m_running)
        return;
    m_running = true;
    while (!m_queue.empty()) {
        if (!m_underWay) {
            const KeyOutcome outcome = admit(m_queue.front());
            if (outcome != KeyOutcome::Typed) {
                settleFront(outcome);
                continue;
            }
            m_underWay = true;
        }
        if (!m_typist.typeNext()) {
            m_typist.flush();
            m_underWay = false;
            settleFront(KeyOutcome::Typed);
            continue;
        }
        // The tick after a key-stroke's last event settles it, so the next one waits the delay too.
        if (paced()) {
            m_typist.flush();
            m_timer->start(m_delayMs);
            break;
        }
    }
    m_running = false;
}

KeyOutcome KeyPacer::admit(const Waiting& next)
{
    if (m_clock() - next.since > kMaxKeyWaitMs)
        return KeyOutcome::TooLate;
    switch (m_targetCheck ? m_targetCheck() : KeyTarget::OtherProgram) {
    case KeyTarget::OwnWindow:
        return KeyOutcome::OwnWindow;
    case KeyTarget::Nobody:
        return KeyOutcome::NoFocus;
    case KeyTarget::OtherProgram:
        break;
    }
    return m_typist.begin(next.keys) ? KeyOutcome::Typed : KeyOutcome::NoKey;
}

void KeyPacer::settleFront(KeyOutcome outcome)
{
    KeyInjector::Done done = std::move(m_queue.front().done);
    m_queue.pop_front();
    if (done)
        done(outcome);
}

void KeyPacer::cancelQueued()
{
    if (m_timer)
        m_timer->stop();
    if (m_underWay) {
        while (m_typist.typeNext()) {
        }
        m_typist.flush();
        m_underWay = false;
        settleFront(KeyOutcome::Typed);
    }
    while (!m_queue.empty())
        settleFront(KeyOutcome::Cancelled);
}

void KeyPacer::finish()
{
    if (m_timer)
        m_timer->stop();
    if (m_underWay) {
        while (m_typist.typeNext()) {
        }
        m_typist.flush();
    }
    m_underWay = false;
    m_queue.clear();
}

} // namespace orvanel
