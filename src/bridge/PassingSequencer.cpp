#include "bridge/PassingSequencer.h"

#include "bridge/BridgeMessage.h"

#include <algorithm>

namespace orvanel {

namespace {

bool atOrAfter(std::uint16_t seq, std::uint16_t reference)
{
    return BridgeMessage::distance(reference, seq) >= 0;
}

} // namespace

PassingSequencer::PassingSequencer(std::uint64_t retryMs, int maxRequests)
    : m_retryMs(retryMs), m_maxRequests(maxRequests)
{}

void PassingSequencer::reset()
{
    m_synchronised = false;
    m_expected = 0;
    m_claimed = 0;
    m_confirmed = 0;
    m_held.clear();
    m_suspects.clear();
    m_starting = false;
    m_keepNumbering = false;
    m_beforeStart.clear();
    m_requestOpen = false;
    m_requestedAt = 0;
    m_requests = 0;
    m_answered = false;
}

void PassingSequencer::synchronise(std::uint16_t nextPassing)
{
    reset();
    m_synchronised = true;
    m_expected = nextPassing;
    m_claimed = nextPassing;
    m_confirmed = nextPassing;
}

void PassingSequencer::beginStart(bool keepNumbering)
{
    if (!keepNumbering || !m_synchronised)
        reset();
    m_held.clear();
    m_suspects.clear();
    m_requestOpen = false;
    m_requests = 0;
    m_answered = false;
    m_beforeStart.clear();
    m_starting = true;
    m_keepNumbering = keepNumbering && m_synchronised;
}

PassingSequencer::Outcome PassingSequencer::onStartAnswered(std::uint16_t nextPassing, std::uint64_t nowMs)
{
    Outcome outcome;
    if (!m_starting)
        return outcome;
    m_starting = false;
    const bool keepNumbering = m_keepNumbering;
    std::vector<Passing> early;
    early.swap(m_beforeStart);
    if (keepNumbering) {
        m_answered = true;
        confirm(nextPassing, outcome);
    } else {
        synchronise(nextPassing);
    }
    // What came before the answer was sent before the bridge switched detection on, unless its
    // number says otherwise.
    for (const Passing& passing : early) {
        if (keepNumbering || atOrAfter(passing.seq, nextPassing))
            take(passing, outcome);
        else
            ++m_stats.stale;
    }
    recover(outcome, nowMs);
    return outcome;
}

PassingSequencer::Outcome PassingSequencer::onStartUnanswered(std::uint64_t nowMs)
{
    Outcome outcome;
    if (!m_starting)
        return outcome;
    m_starting = false;
    std::vector<Passing> early;
    early.swap(m_beforeStart);
    for (const Passing& passing : early)
        take(passing, outcome);
    recover(outcome, nowMs);
    return outcome;
}

PassingSequencer::Outcome PassingSequencer::onPassing(const Passing& passing, std::uint64_t nowMs)
{
    Outcome outcome;
    if (m_starting) {
        if (m_beforeStart.size() < kMaxHeld)
            m_beforeStart.push_back(passing);
        return outcome;
    }
    take(passing, outcome);
    recover(outcome, nowMs);
    return outcome;
}

void PassingSequencer::take(const Passing& passing, Outcome& outcome)
{
    if (!m_synchronised)
        synchronise(passing.seq);

    const int ahead = BridgeMessage::distance(m_expected, passing.seq);
    const auto sameSeq = [&passing](const Passing& held) { return held.seq == passing.seq; };
    if (ahead < -kFarBehind) {
        if (m_suspects.size() < kMaxHeld && std::none_of(m_suspects.begin(), m_suspects.end(), sameSeq))
            m_suspects.push_back(passing);
    } else if (ahead < 0 || std::any_of(m_held.begin(), m_held.end(), sameSeq)) {
        ++m_stats.duplicates;
    } else if (ahead == 0) {
        outcome.deliver.push_back(passing);
        ++m_expected;
        release(outcome);
    } else {
        const auto later = [&passing](const Passing& held) { return BridgeMessage::isAfter(held.seq, passing.seq); };
        m_held.insert(std::find_if(m_held.begin(), m_held.end(), later), passing);
        claim(static_cast<std::uint16_t>(passing.seq + 1));
        if (m_held.size() > kMaxHeld)
            releaseOverflow(outcome);
    }
}

PassingSequencer::Outcome PassingSequencer::onBridgeNext(std::uint16_t nextPassing, std::uint64_t nowMs)
{
    Outcome outcome;
    if (m_starting)
        return outcome;
    if (!m_synchronised) {
        synchronise(nextPassing);
        return outcome;
    }
    claim(nextPassing);
    recover(outcome, nowMs);
    return outcome;
}

PassingSequencer::Outcome PassingSequencer::onResendAnswered(std::uint16_t nextPassing, std::uint64_t nowMs)
{
    Outcome outcome;
    if (!m_synchronised || m_starting)
        return outcome;
    m_requestOpen = false;
    m_answered = true;
    confirm(nextPassing, outcome);
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

void PassingSequencer::claim(std::uint16_t nextPassing)
{
    if (BridgeMessage::isAfter(nextPassing, m_claimed))
        m_claimed = nextPassing;
}

void PassingSequencer::confirm(std::uint16_t nextPassing, Outcome& outcome)
{
    if (BridgeMessage::isAfter(m_expected, nextPassing)) {
        // The bridge counts behind us: its numbering started again (a new or restarted bridge), or
        // ours came from a false number. Its count holds; what it still keeps is fetched again from
        // the oldest passing that looked out of place.
        std::uint16_t from = nextPassing;
        for (const Passing& suspect : m_suspects) {
            if (BridgeMessage::isAfter(nextPassing, suspect.seq) && BridgeMessage::isAfter(from, suspect.seq))
                from = suspect.seq;
        }
        const Stats stats = m_stats;
        synchronise(from);
        m_stats = stats;
        m_claimed = nextPassing;
        m_confirmed = nextPassing;
        m_answered = true;
        return;
    }
    // Everything the bridge sent before this answer was numbered below its next number; a held
    // passing at or beyond it came from a damaged frame.
    const auto beyond = [nextPassing](const Passing& held) { return atOrAfter(held.seq, nextPassing); };
    const auto kept = std::remove_if(m_held.begin(), m_held.end(), beyond);
    m_stats.rejected += static_cast<std::uint64_t>(std::distance(kept, m_held.end()));
    m_held.erase(kept, m_held.end());
    m_stats.rejected += m_suspects.size();
    m_suspects.clear();
    m_claimed = nextPassing;
    m_confirmed = nextPassing;
    release(outcome);
}

void PassingSequencer::release(Outcome& outcome)
{
    while (!m_held.empty() && m_held.front().seq == m_expected) {
        outcome.deliver.push_back(m_held.front());
        m_held.erase(m_held.begin());
        ++m_expected;
    }
    claim(m_expected);
}

void PassingSequencer::recover(Outcome& outcome, std::uint64_t nowMs)
{
    const bool missing = !m_held.empty() || BridgeMessage::isAfter(m_claimed, m_expected) || !m_suspects.empty();
    if (!missing) {
        m_requestOpen = false;
        m_requests = 0;
        m_answered = false;
        return;
    }
    if (m_requestOpen)
        return;
    if (m_requests >= m_maxRequests) {
        if (m_answered) {
            giveUp(outcome);
            return;
        }
        // Nothing answered: the line is down, and nothing is given up on its strength. Asking goes
        // on at the retry pace until the bridge answers or the link is declared lost.
        m_requests = 0;
    }
    ++m_requests;
    ++m_stats.resendRequests;
    m_requestOpen = true;
    m_requestedAt = nowMs;
    outcome.resendFrom = m_expected;
}

void PassingSequencer::giveUp(Outcome& outcome)
{
    // The bridge has answered and still not sent them: the numbers before each held passing are gone.
    for (const Passing& passing : m_held) {
        loseUpTo(passing.seq, outcome);
        outcome.deliver.push_back(passing);
        m_expected = static_cast<std::uint16_t>(passing.seq + 1);
    }
    m_held.clear();
    if (BridgeMessage::isAfter(m_confirmed, m_expected))
        loseUpTo(m_confirmed, outcome);
    // A claim beyond the bridge's answer has still to be confirmed.
    m_requestOpen = false;
    m_requests = 0;
    m_answered = false;
}

void PassingSequencer::releaseOverflow(Outcome& outcome)
{
    // Too much waits behind one gap and the bridge does not fill it: the gap is given up, and the
    // run of consecutive passings behind it goes out. A lone passing further on stays held until
    // the bridge confirms or refutes it.
    loseUpTo(m_held.front().seq, outcome);
    release(outcome);
    m_requestOpen = false;
    m_requests = 0;
    m_answered = false;
}

void PassingSequencer::loseUpTo(std::uint16_t seq, Outcome& outcome)
{
    const auto count = static_cast<std::uint64_t>(std::max(0, BridgeMessage::distance(m_expected, seq)));
    m_stats.lost += count;
    outcome.lost += count;
    m_expected = seq;
}

} // namespace orvanel
