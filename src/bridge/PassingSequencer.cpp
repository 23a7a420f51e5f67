#include "bridge/PassingSequencer.h"

#include "bridge/BridgeMessage.h"

#include <algorithm>

namespace orvanel {

PassingSequencer::PassingSequencer(std::uint64_t retryMs, int maxRequests)
    : m_retryMs(retryMs), m_maxRequests(maxRequests)
{}

void PassingSequencer::reset()
{
    m_synchronised = false;
    m_expected = 0;
    m_bridgeNext = 0;
    m_held.clear();
    m_requestOpen = false;
    m_requestedAt = 0;
    m_requests = 0;
}

void PassingSequencer::synchronise(std::uint16_t nextPassing)
{
    reset();
    m_synchronised = true;
    m_expected = nextPassing;
    m_bridgeNext = nextPassing;
}

PassingSequencer::Outcome PassingSequencer::onPassing(const Passing& passing, std::uint64_t nowMs)
{
    Outcome outcome;
    if (!m_synchronised)
        synchronise(passing.seq);

    const int ahead = BridgeMessage::distance(m_expected, passing.seq);
    const auto sameSeq = [&passing](const Passing& held) { return held.seq == passing.seq; };
    if (ahead < 0 || std::any_of(m_held.begin(), m_held.end(), sameSeq)) {
        ++m_stats.duplicates;
    } else if (ahead == 0) {
        outcome.deliver.push_back(passing);
        ++m_expected;
        release(outcome);
    } else {
        const auto later = [&passing](const Passing& held) { return BridgeMessage::isAfter(held.seq, passing.seq); };
        m_held.insert(std::find_if(m_held.begin(), m_held.end(), later), passing);
        noteBridgeNext(static_cast<std::uint16_t>(passing.seq + 1));
        if (m_held.size() > kMaxHeld)
            giveUp(outcome);
    }
    recover(outcome, nowMs);
    return outcome;
}

PassingSequencer::Outcome PassingSequencer::onBridgeNext(std::uint16_t nextPassing, std::uint64_t nowMs)
{
    Outcome outcome;
    if (!m_synchronised) {
        synchronise(nextPassing);
        return outcome;
    }
    noteBridgeNext(nextPassing);
    recover(outcome, nowMs);
    return outcome;
}

PassingSequencer::Outcome PassingSequencer::onResendAnswered(std::uint16_t nextPassing, std::uint64_t nowMs)
{
    Outcome outcome;
    if (!m_synchronised)
        return outcome;
    m_requestOpen = false;
    noteBridgeNext(nextPassing);
    recover(outcome, nowMs);
    return outcome;
}

PassingSequencer::Outcome PassingSequencer::onTick(std::uint64_t nowMs)
{
    Outcome outcome;
    if (m_requestOpen && nowMs - m_requestedAt >= m_retryMs) {
        m_requestOpen = false;
        recover(outcome, nowMs);
    }
    return outcome;
}

void PassingSequencer::noteBridgeNext(std::uint16_t nextPassing)
{
    if (BridgeMessage::isAfter(nextPassing, m_bridgeNext))
        m_bridgeNext = nextPassing;
}

void PassingSequencer::release(Outcome& outcome)
{
    while (!m_held.empty() && m_held.front().seq == m_expected) {
        outcome.deliver.push_back(m_held.front());
        m_held.erase(m_held.begin());
        ++m_expected;
    }
    noteBridgeNext(m_expected);
}

void PassingSequencer::recover(Outcome& outcome, std::uint64_t nowMs)
{
    const bool missing = !m_held.empty() || BridgeMessage::isAfter(m_bridgeNext, m_expected);
    if (!missing) {
        m_requestOpen = false;
        m_requests = 0;
        return;
    }
    if (m_requestOpen)
        return;
    if (m_requests >= m_maxRequests) {
        giveUp(outcome);
        return;
    }
    ++m_requests;
    ++m_stats.resendRequests;
    m_requestOpen = true;
    m_requestedAt = nowMs;
    outcome.resendFrom = m_expected;
}

void PassingSequencer::giveUp(Outcome& outcome)
{
    for (const Passing& passing : m_held) {
        m_stats.lost += static_cast<std::uint64_t>(BridgeMessage::distance(m_expected, passing.seq));
        outcome.deliver.push_back(passing);
        m_expected = static_cast<std::uint16_t>(passing.seq + 1);
    }
    m_held.clear();
    if (BridgeMessage::isAfter(m_bridgeNext, m_expected)) {
        m_stats.lost += static_cast<std::uint64_t>(BridgeMessage::distance(m_expected, m_bridgeNext));
        m_expected = m_bridgeNext;
    }
    m_requestOpen = false;
    m_requests = 0;
}

} // namespace orvanel
