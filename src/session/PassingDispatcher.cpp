#include "session/PassingDispatcher.h"

#include "mapping/KeyNotation.h"
#include "session/Messages.h"

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

PassingDispatcher::Typing PassingDispatcher::onPassing(const std::int16_t& id, bool autoAssign, bool mayType)
{
    RowResult row = m_table.FindRow(id);
    if (!row.ok && autoAssign)
        row = m_table.ClaimFreeRow(id);

    // An unknown car types nothing: sending another row's key would credit its lap to that car.
    Typing typing = Typing::Nothing;
    if (row.ok) {
        const KeyNotationResult& keys = keysOf(row.row);
        if (keys.ok && !keys.keys.empty()) {
            typing = mayType ? Typing::Typed : Typing::Withheld;
            if (mayType)
                m_keys.send(keys.keys);
        }
    }

    m_beeper.beepExclamation();
    m_status.showStatus(TransponderIdText(id));
    return typing;
}

} // namespace orvanel
