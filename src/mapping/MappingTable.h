#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace orvanel {

// One line of the table: the transponder ID as the user typed it, and the key-stroke text to type.
struct MappingRow
{
    std::string IdText;
    std::string KeyText;
};

struct RowResult
{
    bool ok = false;     // found, or claimed
    std::size_t row = 0; // meaningful only when ok
};

// The twelve rows that pair transponder IDs with key-strokes. The texts are the data: every
// operation reads them as they stand at that moment, and no numeric copy of an ID is kept.
// Rows have fixed indexes 0 to 11 and every walk visits them in ascending order.
class MappingTable
{
public:
    static constexpr std::size_t kRows = 12;

    enum class Column
    {
        Id,
        Key,
    };
    // Told of every change made through this class, so a view can mirror the texts.
    using ChangeListener = std::function<void(std::size_t row, Column column)>;

    const MappingRow& row(std::size_t i) const { return m_rows.at(i); }
    void setIdText(std::size_t i, std::string text);
    void setKeyText(std::size_t i, std::string text);

    void setChangeListener(ChangeListener listener) { m_listener = std::move(listener); }

    // The first row whose ID text reads as the same number as the ID. A text that holds no
    // number, or a number beyond the double range, matches no transponder.
    RowResult FindRow(std::int16_t id) const;
    // Writes the ID's decimal text into the first row whose ID text is exactly empty.
    RowResult ClaimFreeRow(std::int16_t id);

    void ClearIds();
    void ClearKeyStrokes();
    void PresetDigitKeys();    // "1" ... "9", "10", then two empty rows
    void PresetFunctionKeys(); // "{F1}" ... "{F12}"

private:
    void notify(std::size_t row, Column column);

    std::array<MappingRow, kRows> m_rows;
    ChangeListener m_listener;
};

} // namespace orvanel
