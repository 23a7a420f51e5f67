#include "mapping/IdTextValue.h"
#include "mapping/MappingTable.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using namespace orvanel;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct IdNumberCase
{
    const char* name;
    std::string text;
    bool present;
    double value;
};

// How an ID text reads as a number: blanks ignored, the leading number taken, none is 0.
const IdNumberCase kIdNumbers[] = {
    {"plain", "12", true, 12.0},
    {"leading blank", " 12", true, 12.0},
    {"blank inside", "1 2", true, 12.0},
    {"tab and line feed", "\t1\n2", true, 12.0},
    {"trailing letters", "12abc", true, 12.0},
    {"decimal zero", "12.0", true, 12.0},
    {"plus sign", "+12", true, 12.0},
    {"minus", "-5", true, -5.0},
    {"fraction", "12.5", true, 12.5},
    {"comma ends the number", "1,2", true, 1.0},
    {"second point ends it", "1.2.3", true, 1.2},
    {"point first", ".5", true, 0.5},
    {"negative point first", "-.5", true, -0.5},
    {"exponent", "1.5E3", true, 1500.0},
    {"small exponent", "12e0", true, 12.0},
    {"negative exponent", "1200e-2", true, 12.0},
    {"unfinished exponent", "12e", true, 12.0},
    {"exponent sign only", "12e+", true, 12.0},
    {"hex", "&HC", true, 12.0},
    {"hex lower case", "&hff", true, 255.0},
    {"hex stops at non-digit", "&H1G", true, 1.0},
    {"octal", "&O17", true, 15.0},
    {"octal stops at 8", "&O18", true, 1.0},
    {"zero", "0", true, 0.0},
    {"negative zero", "-0", true, 0.0},
    {"hex zero", "&H0", true, 0.0},
    {"underflow reads as zero", "1E-999", true, 0.0},
    {"locale comma is not a point", "3,5", true, 3.0},
    {"huge exponent", "1E999", true, kInf},
    {"negative huge", "-1E999", true, -kInf},
    {"many digits", std::string(400, '9'), true, kInf},
    {"hex wider than 64 bits", "&H1FFFFFFFFFFFFFFFF", true, kInf},
    {"empty", "", false, 0.0},
    {"blanks", "   ", false, 0.0},
    {"letters", "abc", false, 0.0},
    {"sign only", "-", false, 0.0},
    {"point only", ".", false, 0.0},
    {"hex prefix only", "&H", false, 0.0},
    {"ampersand", "&", false, 0.0},
    {"exponent without mantissa", "E5", false, 0.0},
};

struct FindCase
{
    std::string idText;
    int id;
    bool found;
};

const FindCase kFinds[] = {
    {"12", 12, true},      {" 12", 12, true}, {"1 2", 12, true},        {"12abc", 12, true},    {"12.0", 12, true},
    {"+12", 12, true},     {"&HC", 12, true}, {"1.2E1", 12, true},      {"12.5", 12, false},    {"1,2", 12, false},
    {"1,2", 1, true},      {"-5", -5, true},  {"-32768", -32768, true}, {"32767", 32767, true}, {"0", 0, true},
    {" 0", 0, true},       {"0.0", 0, true},  {"-0", 0, true},          {"&H0", 0, true},       {"1E999", 32767, false},
    {"&HFFFF", -1, false}, // 65535 is not -1
};

} // namespace

TEST(IdTextValue, ReadsTheLeadingNumber)
{
    for (const IdNumberCase& c : kIdNumbers) {
        SCOPED_TRACE(c.name);
        const IdNumber n = ReadIdNumber(c.text);
        EXPECT_EQ(n.present, c.present);
        EXPECT_DOUBLE_EQ(n.value, c.value);
    }
}

TEST(MappingTable, FindRowMatchesNumerically)
{
    for (const FindCase& c : kFinds) {
        SCOPED_TRACE("\"" + c.idText + "\" for " + std::to_string(c.id));
        MappingTable table;
        table.setIdText(4, c.idText);
        const RowResult r = table.FindRow(static_cast<std::int16_t>(c.id));
        EXPECT_EQ(r.ok, c.found);
        if (c.found) {
            EXPECT_EQ(r.row, 4u);
        }
    }
}

// Transponder 0 must not be credited to a row that holds no number.
TEST(MappingTable, FindRowIgnoresTextsWithoutNumber)
{
    for (const char* text : {"", " ", "abc", "-", "."}) {
        SCOPED_TRACE(text);
        MappingTable table;
        for (std::size_t i = 0; i < MappingTable::kRows; ++i)
            table.setIdText(i, text);
        EXPECT_FALSE(table.FindRow(0).ok);

        table.setIdText(7, "0");
        const RowResult r = table.FindRow(0);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.row, 7u);
    }
}

TEST(MappingTable, FindRowLowestIndexWins)
{
    MappingTable table;
    table.setIdText(8, "33");
    table.setIdText(3, "33.0");
    EXPECT_EQ(table.FindRow(33).row, 3u);
}

TEST(MappingTable, ClaimWritesDecimalText)
{
    const std::pair<int, const char*> claims[] = {{7, "7"}, {0, "0"}, {-5, "-5"}, {32767, "32767"}, {-32768, "-32768"}};
    for (const auto& [id, text] : claims) {
        SCOPED_TRACE(text);
        MappingTable table;
        table.setIdText(0, "1");
        table.setKeyText(1, "{F2}");
        const RowResult r = table.ClaimFreeRow(static_cast<std::int16_t>(id));
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.row, 1u);
        EXPECT_EQ(table.row(1).IdText, text);
        EXPECT_EQ(table.row(1).KeyText, "{F2}");
        EXPECT_EQ(table.FindRow(static_cast<std::int16_t>(id)).row, 1u);
    }
}

TEST(MappingTable, ClaimSkipsBlankTextAndStopsWhenFull)
{
    MappingTable table;
    table.setIdText(0, " ");
    const RowResult r = table.ClaimFreeRow(9);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.row, 1u);
    EXPECT_EQ(table.row(0).IdText, " ");

    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        table.setIdText(i, "x" + std::to_string(i));
    EXPECT_FALSE(table.ClaimFreeRow(5).ok);
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        EXPECT_EQ(table.row(i).IdText, "x" + std::to_string(i));
}

TEST(MappingTable, ClearsTouchOneColumn)
{
    MappingTable table;
    for (std::size_t i = 0; i < MappingTable::kRows; ++i) {
        table.setIdText(i, std::to_string(i));
        table.setKeyText(i, "k");
    }
    table.ClearIds();
    for (std::size_t i = 0; i < MappingTable::kRows; ++i) {
        EXPECT_TRUE(table.row(i).IdText.empty());
        EXPECT_EQ(table.row(i).KeyText, "k");
    }
    table.setIdText(2, "5");
    table.ClearKeyStrokes();
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        EXPECT_TRUE(table.row(i).KeyText.empty());
    EXPECT_EQ(table.row(2).IdText, "5");
}

TEST(MappingTable, Presets)
{
    MappingTable table;
    table.setKeyText(10, "old");
    table.setKeyText(11, "old");
    table.PresetDigitKeys();
    const std::vector<std::string> digits = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "", ""};
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        EXPECT_EQ(table.row(i).KeyText, digits[i]);

    table.PresetFunctionKeys();
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        EXPECT_EQ(table.row(i).KeyText, "{F" + std::to_string(i + 1) + "}");
}

TEST(MappingTable, NotifiesEveryChange)
{
    MappingTable table;
    std::vector<std::pair<std::size_t, MappingTable::Column>> changes;
    table.setChangeListener([&](std::size_t row, MappingTable::Column c) { changes.emplace_back(row, c); });
    table.ClaimFreeRow(3);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, 0u);
    EXPECT_EQ(changes[0].second, MappingTable::Column::Id);
    changes.clear();
    table.PresetFunctionKeys();
    ASSERT_EQ(changes.size(), MappingTable::kRows);
    EXPECT_EQ(changes.back().second, MappingTable::Column::Key);
}
