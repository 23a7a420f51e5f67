#include "session/PassingDispatcher.h"

#include "mapping/KeyNotation.h"
#include "session/GapGuard.h"
#include "session/Messages.h"

namespace orvanel {

namespace {

// The log's outcome and the user's reason for a key-stroke the injector did not type.
struct NotTyped
{
    std::string outcome;
    std::string reason;
};

NotTyped notTyped(KeyOutcome outcome)
{
    const std::string wait = std::to_string(kMaxKeyWaitMs / 1000) + " s";
    switch (outcome) {
    case KeyOutcome::Typed:
        break;
    case KeyOutcome::OwnWindow:
        return {logText::kNotTypedOwnFocus, messages::kKeysWithheld};
    case KeyOutcome::NoFocus:
        return {logText::kNotTypedNoFocus, messages::kNoProgramFocused};
    case KeyOutcome::TooLate:
        return {logText::kNotTypedLate + wait + ")", messages::kKeysTooLate + wait + messages::kKeysTooLateWhy};
    case KeyOutcome::NoKey:
        return {logText::kNotTypedNoKey, messages::kNoKeyForIt};
    case KeyOutcome::NoBackend:
        return {logText::kNotTypedNoKeys, messages::kNoKeyBackend};
    case KeyOutcome::Cancelled:
        return {logText::kNotTypedClosed, {}};
    }
    return {logText::kTyped, {}};
}

} // namespace

std::string TransponderIdText(std::int16_t id)
{
    const std::string number = std::to_string(id);
    return messages::kTransponderId + (id >= 0 ? " " + number : number);
}

PassingDispatcher::PassingDispatcher(MappingTable& table, KeyInjector& keys, Beeper& beeper, StatusSink& status)
    : m_table(table), m_keys(keys), m_beeper(beeper), m_status(status)
{}

PassingDispatcher::~PassingDispatcher()
{
    // Key-strokes still queued would report to a dispatcher that is gone. Whoever owns the log
    // cancels them first, so that the log has them.
    m_log = nullptr;
    m_hold = nullptr;
    m_keys.cancelQueued();
}

const KeyNotationResult& PassingDispatcher::keysOf(std::size_t row)
{
    // A text is read once, not at every passing: only an edit of the box makes it read again.
    ParsedKeys& parsed = m_parsed.at(row);
    const std::string& text = m_table.row(row).KeyText;
    if (!parsed.valid || parsed.text != text) {
        parsed.text = text;
        parsed.keys = parseKeyNotation(text);
        parsed.valid = true;
    }
    return parsed.keys;
}

PassingDispatcher::Typing PassingDispatcher::onPassing(const std::int16_t& id, bool autoAssign, KeyTarget target,
                                                       std::optional<std::uint32_t> stamp)
{
    RowResult row = m_table.FindRow(id);
    bool claimed = false;
    if (!row.ok && autoAssign) {
        row = m_table.ClaimFreeRow(id);
        claimed = row.ok;
    }
    const std::optional<std::size_t> shownRow = row.ok ? std::optional<std::size_t>(row.row + 1) : std::nullopt;
    const RaceLog::Passing passing{stamp, id, shownRow, row.ok ? m_table.row(row.row).KeyText : std::string(), {}};
    const std::string claim = claimed ? logText::kClaimedRow + std::to_string(row.row + 1) : std::string();

    // An unknown car types nothing: sending another row's key would credit its lap to that car.
    Typing typing = Typing::Nothing;
    std::string outcome = logText::kUnknownId;
    std::string reason;
    if (row.ok) {
        const KeyNotationResult& keys = keysOf(row.row);
        if (!keys.ok || keys.keys.empty()) {
            outcome = logText::kKeyTextNotValid;
        } else if (target != KeyTarget::OtherProgram) {
            typing = Typing::Withheld;
            const NotTyped why = notTyped(target == KeyTarget::OwnWindow ? KeyOutcome::OwnWindow : KeyOutcome::NoFocus);
            outcome = why.outcome;
            reason = why.reason;
        } else if (const std::optional<std::uint32_t> since = m_guard ? m_guard->admit(id, stamp) : std::nullopt;
                   since) {
            typing = Typing::HeldBack;
            const std::string figures = std::to_string(*since) + " ms";
            const std::string gap = std::to_string(m_guard->minGapMs()) + " ms";
            reason = messages::kHeldBack + figures + messages::kHeldBackBelow + gap + messages::kHeldBackWhy;
            outcome = logText::kHeldBack + figures + " < " + gap + ")";
        } else {
            typing = Typing::Sent;
            m_keys.send(keys.keys, [this, passing, claim](KeyOutcome result) { settle(passing, claim, result); });
        }
    }

    m_beeper.beepExclamation();
    m_status.showStatus(TransponderIdText(id));
    if (typing != Typing::Sent) {
        hold(reason);
        log(passing, claim, outcome);
    }
    return typing;
}

void PassingDispatcher::settle(RaceLog::Passing passing, const std::string& claim, KeyOutcome outcome)
{
    const NotTyped why = notTyped(outcome);
    hold(outcome == KeyOutcome::Typed ? m_keys.lastProblem() : why.reason);
    log(std::move(passing), claim, why.outcome);
}

void PassingDispatcher::hold(const std::string& why)
{
    if (!why.empty() && m_hold)
        m_hold(why);
}

void PassingDispatcher::log(RaceLog::Passing passing, const std::string& claim, const std::string& outcome)
{
    if (!m_log)
        return;
    if (claim.empty())
        passing.outcome = outcome;
    else if (outcome == logText::kTyped)
        passing.outcome = claim;
    else
        passing.outcome = claim + "; " + outcome;
    m_log->passing(passing);
}

} // namespace orvanel
