#include "session/PassingDispatcher.h"

#include "mapping/KeyNotation.h"
#include "session/GapGuard.h"
#include "session/Messages.h"
#include "session/RaceLog.h"

namespace orvanel {

std::string TransponderIdText(std::int16_t id)
{
    const std::string number = std::to_string(id);
    return messages::kTransponderId + (id >= 0 ? " " + number : number);
}

PassingDispatcher::PassingDispatcher(MappingTable& table, KeyInjector& keys, Beeper& beeper, StatusSink& status)
    : m_table(table), m_keys(keys), m_beeper(beeper), m_status(status)
{}

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

PassingDispatcher::Typing PassingDispatcher::onPassing(const std::int16_t& id, bool autoAssign, bool mayType,
                                                       std::optional<std::uint32_t> stamp)
{
    RowResult row = m_table.FindRow(id);
    bool claimed = false;
    if (!row.ok && autoAssign) {
        row = m_table.ClaimFreeRow(id);
        claimed = row.ok;
    }

    // An unknown car types nothing: sending another row's key would credit its lap to that car.
    Typing typing = Typing::Nothing;
    std::string outcome = logText::kUnknownId;
    m_holdReason.clear();
    if (row.ok) {
        const KeyNotationResult& keys = keysOf(row.row);
        if (!keys.ok || keys.keys.empty()) {
            outcome = logText::kKeyTextNotValid;
        } else if (!mayType) {
            typing = Typing::Withheld;
            m_holdReason = messages::kKeysWithheld;
            outcome = logText::kNotTypedOwnFocus;
        } else if (const std::optional<std::uint32_t> since = m_guard ? m_guard->admit(id, stamp) : std::nullopt;
                   since) {
            typing = Typing::HeldBack;
            const std::string figures = std::to_string(*since) + " ms";
            const std::string gap = std::to_string(m_guard->minGapMs()) + " ms";
            m_holdReason = messages::kHeldBack + figures + messages::kHeldBackBelow + gap + messages::kHeldBackWhy;
            outcome = logText::kHeldBack + figures + " < " + gap + ")";
        } else {
            typing = Typing::Typed;
            m_keys.send(keys.keys);
            outcome = m_keys.canType() ? logText::kTyped : logText::kNotTypedNoKeys;
        }
        if (claimed) {
            const std::string claim = logText::kClaimedRow + std::to_string(row.row + 1);
            outcome = outcome == logText::kTyped ? claim : claim + "; " + outcome;
        }
    }

    m_beeper.beepExclamation();
    m_status.showStatus(TransponderIdText(id));
    if (m_log) {
        const std::optional<std::size_t> shownRow = row.ok ? std::optional<std::size_t>(row.row + 1) : std::nullopt;
        m_log->passing({stamp, id, shownRow, row.ok ? m_table.row(row.row).KeyText : std::string(), outcome});
    }
    return typing;
}

} // namespace orvanel
