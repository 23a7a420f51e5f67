#include "bridge/PassingSequencer.h"

#include "bridge/BridgeMessage.h"

#include <algorithm>
#include <cmath>

namespace orvanel {

namespace {

bool atOrAfter(std::uint16_t seq, std::uint16_t reference)
{
    return BridgeMessage::distance(reference, seq) >= 0;
}

// Whether seq is one of the numbers from `from` up to, not including, `to`.
bool within(std::uint16_t seq, std::uint16_t from, std::uint16_t to)
{
    return atOrAfter(seq, from) && BridgeMessage::isAfter(to, seq);
}

bool samePassing(const PassingSequencer::Passing& a, const PassingSequencer::Passing& b)
{
    return a.seq == b.seq && a.id == b.id && a.stamp == b.stamp;
}

} // namespace

PassingSequencer::PassingSequencer(std::uint64_t maxRetryMs, int maxRequests)
    : m_maxRetryMs(maxRetryMs), m_maxRequests(maxRequests)
{}

void PassingSequencer::reset()
{
    clearNumbering();
    m_starting = false;
    m_keepNumbering = false;
    m_beforeStart.clear();
    m_smoothedRtt = 0;
    m_rttDeviation = 0;
    m_roundTrips = 0;
}

void PassingSequencer::clearNumbering()
{
    m_synchronised = false;
    m_expected = 0;
    m_claimed = 0;
    m_confirmed = 0;
    m_held.clear();
    m_doubtFrom.reset();
    m_raisedBy.reset();
    m_pending.clear();
    m_checkOpen = false;
    m_remembered.fill(std::nullopt);
    m_reopened.reset();
    m_requestOpen = false;
    m_awaitingAnswer = false;
    m_requestedAt = 0;
    m_askedFrom = 0;
    m_answers = 0;
    m_answersMaybeDropped = 0;
}

void PassingSequencer::synchronise(std::uint16_t nextPassing)
{
    clearNumbering();
    m_synchronised = true;
    m_expected = nextPassing;
    m_claimed = nextPassing;
    m_confirmed = nextPassing;
    m_askedFrom = nextPassing;
}

void PassingSequencer::beginStart(bool keepNumbering)
{
    m_keepNumbering = keepNumbering && m_synchronised;
    if (!m_keepNumbering)
        clearNumbering();
    // What was held or in doubt stays; requests start again once the bridge has answered.
    m_requestOpen = false;
    m_awaitingAnswer = false;
    m_checkOpen = false;
    m_answers = 0;
    m_answersMaybeDropped = 0;
    m_reopened.reset();
    m_beforeStart.clear();
    m_starting = true;
}

PassingSequencer::Outcome PassingSequencer::onStartAnswered(std::uint16_t nextPassing, std::uint64_t nowMs)
{
    Outcome outcome;
    if (!m_starting)
        return outcome;
    m_starting = false;
    std::vector<Passing> early;
    early.swap(m_beforeStart);
    if (m_keepNumbering) {
        if (BridgeMessage::isAfter(nextPassing, m_expected)) {
            Reopened reopened{m_expected, nextPassing, false};
            reopened.numbered = std::any_of(m_held.begin(), m_held.end(), [&reopened](const Passing& held) {
                return within(held.seq, reopened.from, reopened.to);
            });
            m_reopened = reopened;
        }
        countIs(nextPassing, outcome);
    } else {
        synchronise(nextPassing);
    }
    // What came before the answer was sent before the bridge switched detection on, unless its
    // number says otherwise.
    for (const Passing& passing : early) {
        if (m_keepNumbering || atOrAfter(passing.seq, nextPassing))
            accept(passing, outcome);
        else
            ++m_stats.stale;
    }
    recover(outcome, nowMs);
    return outcome;
}

PassingSequencer::Outcome PassingSequencer::onPassing(const Passing& passing, std::uint64_t nowMs)
{
    Outcome outcome;
    if (m_starting) {
        // Any beyond this are fetched again, or reported lost, once the numbering is known.
        if (m_beforeStart.size() < kMaxHeld)
            m_beforeStart.push_back(passing);
        return outcome;
    }
    accept(passing, outcome);
    recover(outcome, nowMs);
    return outcome;
}

void PassingSequencer::accept(const Passing& passing, Outcome& outcome)
{
    if (inDoubt())
        addPending(passing);
    else
        take(passing, outcome);
}

void PassingSequencer::take(const Passing& passing, Outcome& outcome)
{
    if (!m_synchronised)
        synchronise(passing.seq);
    if (m_reopened && within(passing.seq, m_reopened->from, m_reopened->to))
        m_reopened->numbered = true;

    const int ahead = BridgeMessage::distance(m_expected, passing.seq);
    if (ahead < 0) {
        if (isUnknown(passing)) {
            // Not what was delivered under that number: a false number, or a bridge that numbers
            // afresh. Nothing moves until the bridge has been asked.
            if (!inDoubt())
                m_raisedBy = passing.seq;
            doubt(passing.seq);
            addPending(passing);
        } else {
            dropBehind(passing, false);
        }
        return;
    }
    if (std::any_of(m_held.begin(), m_held.end(),
                    [&passing](const Passing& held) { return held.seq == passing.seq; })) {
        ++m_stats.duplicates;
        return;
    }
    if (ahead == 0) {
        deliver(passing, outcome);
        release(outcome);
        return;
    }
    const auto later = [&passing](const Passing& held) { return BridgeMessage::isAfter(held.seq, passing.seq); };
    m_held.insert(std::find_if(m_held.begin(), m_held.end(), later), passing);
    claim(static_cast<std::uint16_t>(passing.seq + 1));
    if (m_held.size() > kMaxHeld)
        releaseOverflow(outcome);
}

bool PassingSequencer::isUnknown(const Passing& passing) const
{
    const auto& remembered = m_remembered[passing.seq % kRemembered];
    if (!remembered || remembered->passing.seq != passing.seq)
        return true;
    return !remembered->lost && !samePassing(remembered->passing, passing);
}

void PassingSequencer::dropBehind(const Passing& passing, bool unknownIsFalse)
{
    const auto& remembered = m_remembered[passing.seq % kRemembered];
    if (remembered && remembered->passing.seq == passing.seq && remembered->lost)
        ++m_stats.late;
    else if (unknownIsFalse && isUnknown(passing))
        ++m_stats.rejected;
    else
        ++m_stats.duplicates;
}

void PassingSequencer::doubt(std::uint16_t from)
{
    if (!m_doubtFrom) {
        m_doubtFrom = from;
        // A request already open went out before the doubt; its answer cannot settle it.
        m_requestOpen = false;
        m_checkOpen = false;
    }
}

void PassingSequencer::addPending(const Passing& passing)
{
    const auto same = std::find_if(m_pending.begin(), m_pending.end(), [&passing](const Pending& pending) {
        return samePassing(pending.passing, passing);
    });
    if (same != m_pending.end())
        ++same->seen;
    else if (m_pending.size() < kMaxHeld)
        m_pending.push_back({passing, 1});
}

void PassingSequencer::deliver(const Passing& passing, Outcome& outcome)
{
    outcome.deliver.push_back(passing);
    m_remembered[passing.seq % kRemembered] = Remembered{passing, false};
    m_expected = static_cast<std::uint16_t>(passing.seq + 1);
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
    // Every passing sent before the heartbeat is numbered below its next number, so one behind our
    // count is a false number or a bridge that numbers afresh.
    if (BridgeMessage::isAfter(m_expected, nextPassing))
        doubt(nextPassing);
    else
        claim(nextPassing);
    recover(outcome, nowMs);
    return outcome;
}

PassingSequencer::Outcome PassingSequencer::onResendAnswered(std::uint16_t nextPassing, std::uint64_t nowMs)
{
    Outcome outcome;
    if (!m_synchronised || m_starting)
        return outcome;
    if (m_awaitingAnswer)
        noteRoundTrip(nowMs - m_requestedAt);
    m_awaitingAnswer = false;
    m_requestOpen = false;
    if (inDoubt()) {
        // Only the answer to a check asked since the doubt arose settles it; an earlier request's
        // answer just lets the check go out.
        if (m_checkOpen)
            settleDoubt(nextPassing, outcome);
    } else {
        ++m_answers;
        if (BridgeMessage::distance(m_expected, nextPassing) > static_cast<int>(kSurelyKept))
            ++m_answersMaybeDropped;
        countIs(nextPassing, outcome);
    }
    m_checkOpen = false;
    recover(outcome, nowMs);
    return outcome;
}

PassingSequencer::Outcome PassingSequencer::onTick(std::uint64_t nowMs)
{
    Outcome outcome;
    if (m_requestOpen && nowMs - m_requestedAt >= retryMs()) {
        m_requestOpen = false;
        m_awaitingAnswer = false;
        m_checkOpen = false;
        recover(outcome, nowMs);
    }
    return outcome;
}

std::optional<std::uint64_t> PassingSequencer::retryDueMs() const
{
    if (!m_requestOpen)
        return std::nullopt;
    return m_requestedAt + retryMs();
}

std::uint64_t PassingSequencer::retryMs() const
{
    if (m_roundTrips == 0)
        return m_maxRetryMs;
    // As TCP sets its retransmission timeout (RFC 6298): the smoothed round trip and four times
    // its deviation, so a line whose answers vary waits longer before it asks again.
    const auto wait = static_cast<std::uint64_t>(std::ceil(m_smoothedRtt + 4 * m_rttDeviation));
    return std::min(m_maxRetryMs, std::max(kMinRetryMs, wait));
}

void PassingSequencer::noteRoundTrip(std::uint64_t ms)
{
    const auto sample = static_cast<double>(ms);
    if (m_roundTrips++ == 0) {
        m_smoothedRtt = sample;
        m_rttDeviation = sample / 2;
        return;
    }
    m_rttDeviation = 0.75 * m_rttDeviation + 0.25 * std::abs(m_smoothedRtt - sample);
    m_smoothedRtt = 0.875 * m_smoothedRtt + 0.125 * sample;
}

void PassingSequencer::claim(std::uint16_t nextPassing)
{
    if (BridgeMessage::isAfter(nextPassing, m_claimed))
        m_claimed = nextPassing;
}

void PassingSequencer::countIs(std::uint16_t nextPassing, Outcome& outcome)
{
    if (BridgeMessage::isAfter(m_expected, nextPassing)) {
        std::vector<Pending> pending;
        pending.swap(m_pending);
        followNewCount(nextPassing, std::move(pending), outcome);
        return;
    }
    // Everything the bridge sent before this answer was numbered below its next number; a held
    // passing at or beyond it came from a damaged frame.
    const auto beyond = [nextPassing](const Passing& held) { return atOrAfter(held.seq, nextPassing); };
    const auto kept = std::remove_if(m_held.begin(), m_held.end(), beyond);
    m_stats.rejected += static_cast<std::uint64_t>(std::distance(kept, m_held.end()));
    m_held.erase(kept, m_held.end());
    m_claimed = nextPassing;
    m_confirmed = nextPassing;
    release(outcome);
}

void PassingSequencer::settleDoubt(std::uint16_t nextPassing, Outcome& outcome)
{
    std::vector<Pending> pending;
    pending.swap(m_pending);
    const std::optional<std::uint16_t> raisedBy = m_raisedBy;
    m_doubtFrom.reset();
    m_raisedBy.reset();
    // The bridge numbers afresh when its count is behind ours; when a passing behind our count came
    // twice alike, live and again from its history; or when the one that raised the doubt was
    // followed by the next number, as a false number practically never is (a new count may have
    // overtaken ours, and its first passings no longer be in the history).
    const bool afresh = BridgeMessage::isAfter(m_expected, nextPassing) ||
                        std::any_of(pending.begin(), pending.end(), [this, raisedBy](const Pending& candidate) {
                            const bool behind = BridgeMessage::isAfter(m_expected, candidate.passing.seq);
                            return (behind && candidate.seen > 1 && isUnknown(candidate.passing)) ||
                                   (raisedBy && candidate.passing.seq == static_cast<std::uint16_t>(*raisedBy + 1));
                        });
    if (afresh) {
        followNewCount(nextPassing, std::move(pending), outcome);
        return;
    }
    countIs(nextPassing, outcome);
    // The count stands: what came meanwhile is taken as usual, and what lay behind the count and was
    // not sent again was false.
    for (const Pending& waiting : pending) {
        if (inDoubt())
            addPending(waiting.passing);
        else if (BridgeMessage::isAfter(m_expected, waiting.passing.seq))
            dropBehind(waiting.passing, true);
        else
            take(waiting.passing, outcome);
    }
}

void PassingSequencer::followNewCount(std::uint16_t nextPassing, std::vector<Pending> pending, Outcome& outcome)
{
    // The bridge numbers afresh (it restarted, or another one took its place), so what it had not
    // sent of the old count is gone: the held passings go out, the gaps before them reported lost.
    for (const Passing& held : m_held) {
        loseUpTo(held.seq, outcome);
        deliver(held, outcome);
    }
    m_held.clear();
    if (BridgeMessage::isAfter(m_confirmed, m_expected))
        loseUpTo(m_confirmed, outcome);
    // Its new passings are those numbered shortly before its next number; the count starts again
    // at the oldest of them.
    const auto isNew = [nextPassing](const Pending& candidate) {
        const int behind = BridgeMessage::distance(candidate.passing.seq, nextPassing);
        return behind > 0 && behind <= static_cast<int>(kRemembered);
    };
    std::uint16_t from = nextPassing;
    for (const Pending& candidate : pending) {
        if (isNew(candidate) && BridgeMessage::isAfter(from, candidate.passing.seq))
            from = candidate.passing.seq;
    }
    synchronise(from);
    m_claimed = nextPassing;
    m_confirmed = nextPassing;
    for (const Pending& candidate : pending) {
        if (isNew(candidate))
            take(candidate.passing, outcome);
        else
            ++m_stats.rejected;
    }
}

void PassingSequencer::release(Outcome& outcome)
{
    while (!m_held.empty() && m_held.front().seq == m_expected) {
        deliver(m_held.front(), outcome);
        m_held.erase(m_held.begin());
    }
    claim(m_expected);
}

void PassingSequencer::recover(Outcome& outcome, std::uint64_t nowMs)
{
    if (m_expected != m_askedFrom) {
        // The first gap was filled or given up: the next one gets requests of its own.
        m_askedFrom = m_expected;
        m_answers = 0;
        m_answersMaybeDropped = 0;
    }
    if (m_reopened && m_reopened->from != m_expected)
        m_reopened.reset();
    const bool missing = !m_held.empty() || BridgeMessage::isAfter(m_claimed, m_expected);
    if (!missing && !inDoubt()) {
        m_requestOpen = false;
        m_answers = 0;
        m_answersMaybeDropped = 0;
        return;
    }
    if (m_requestOpen)
        return;
    // A gap is given up once the bridge has answered often enough while it may already have
    // dropped the gap's first passing from its history; so long as it surely still keeps it, only
    // damage on the line can have kept it away, and asking goes on (within a bound).
    const bool answeredEnough =
        m_answersMaybeDropped >= m_maxRequests || m_answers >= kAnswersWhileKept * m_maxRequests;
    if (!inDoubt() && answeredEnough) {
        giveUp(outcome);
        if (m_held.empty() && !BridgeMessage::isAfter(m_claimed, m_expected))
            return;
    }
    // Unanswered requests are never a reason to give up: asking goes on until the bridge answers
    // or the link is declared lost. A check asks for all the bridge keeps from well before the
    // doubtful number, so a new count's passings lost on the line come too.
    ++m_stats.resendRequests;
    m_requestOpen = true;
    m_awaitingAnswer = true;
    m_checkOpen = inDoubt();
    m_requestedAt = nowMs;
    outcome.resendFrom = m_checkOpen ? static_cast<std::uint16_t>(*m_doubtFrom - kRemembered) : m_expected;
}

void PassingSequencer::giveUp(Outcome& outcome)
{
    // The bridge has answered again and again and still not sent the first missing numbers: they
    // are gone, unless they belong to a bridge found after a lost link that never numbered them.
    const std::uint16_t to = m_held.empty() ? m_confirmed : m_held.front().seq;
    if (m_reopened && !m_reopened->numbered && m_reopened->from == m_expected) {
        m_stats.skipped += static_cast<std::uint64_t>(BridgeMessage::distance(m_expected, m_reopened->to));
        m_expected = m_reopened->to;
        m_reopened.reset();
    } else {
        loseUpTo(to, outcome);
    }
    release(outcome);
    m_askedFrom = m_expected;
    m_answers = 0;
    m_answersMaybeDropped = 0;
}

void PassingSequencer::releaseOverflow(Outcome& outcome)
{
    // Too much waits behind one gap and the bridge does not fill it: the gap is given up, and the
    // run of consecutive passings behind it goes out. A lone passing further on stays held until
    // the bridge confirms or refutes it.
    loseUpTo(m_held.front().seq, outcome);
    release(outcome);
    m_requestOpen = false;
    m_answers = 0;
    m_answersMaybeDropped = 0;
}

void PassingSequencer::loseUpTo(std::uint16_t seq, Outcome& outcome)
{
    const int count = BridgeMessage::distance(m_expected, seq);
    if (count <= 0)
        return;
    m_stats.lost += static_cast<std::uint64_t>(count);
    outcome.lost.add(m_expected, seq);
    // Only the last numbers can still come late, resent; those are remembered as lost.
    for (int back = std::min(count, static_cast<int>(kRemembered)); back > 0; --back) {
        const auto lost = static_cast<std::uint16_t>(seq - back);
        m_remembered[lost % kRemembered] = Remembered{Passing{lost, 0, 0}, true};
    }
    m_expected = seq;
}

} // namespace orvanel
