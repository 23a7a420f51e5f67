#include "mapping/MappingTable.h"

#include "mapping/IdTextValue.h"

namespace orvanel {

void MappingTable::setIdText(std::size_t i, std::string text)
{
    m_rows.at(i).IdText = std::move(text);
    notify(i, Column::Id);
}

void MappingTable::setKeyText(std::size_t i, std::string text)
{
    m_rows.at(i).KeyText = std::move(text);
    notify(i, Column::Key);
}

RowResult MappingTable::FindRow(std::int16_t id) const
{
    const double wanted = static_cast<double>(id);
    for (std::size_t i = 0; i < kRows; ++i) {
        // A number beyond the double range reads as infinity, which equals no ID.
        const IdNumber n = ReadIdNumber(m_rows[i].IdText);
        if (n.present && n.value == wanted)
            return {true, i};
    }
    return {};
}

RowResult MappingTable::ClaimFreeRow(std::int16_t id)
{
    for (std::size_t i = 0; i < kRows; ++i) {
        if (m_rows[i].IdText.empty()) {
            setIdText(i, std::to_string(id));
            return {true, i};
        }
    }
    return {};
}

void MappingTable::ClearIds()
{
    for (std::size_t i = 0; i < kRows; ++i)
        setIdText(i, {});
}

void MappingTable::ClearKeyStrokes()
{
    for (std::size_t i = 0; i < kRows; ++i)
        setKeyText(i, {});
}

void MappingTable::PresetDigitKeys()
{
    // Row 9 gets "10", which types the key 1 and then the key 0.
    for (std::size_t i = 0; i < kRows; ++i)
        setKeyText(i, i < 10 ? std::to_string(i + 1) : std::string());
}

void MappingTable::PresetFunctionKeys()
{
    for (std::size_t i = 0; i < kRows; ++i)
        setKeyText(i, "{F" + std::to_string(i + 1) + "}");
}

void MappingTable::notify(std::size_t row, Column column)
{
    if (m_listener)
        m_listener(row, column);
}

} // namespace orvanel
