#include "fakes/RecordingLineSink.h"
#include "fakes/RecordingServices.h"
#include "mapping/KeyNotation.h"
#include "session/Messages.h"
#include "session/PassingDispatcher.h"
#include "session/RaceLog.h"

#include <gtest/gtest.h>
#include <utility>

using namespace orvanel;
using namespace orvanel::test;

namespace {

using Strings = std::vector<std::string>;
using Typing = PassingDispatcher::Typing;
using RowTexts = std::vector<std::pair<std::size_t, std::string>>;

class PassingDispatcherTest : public testing::Test
{
protected:
    std::string typed() const
    {
        std::string all;
        for (const auto& keys : m_keys.sent)
            all += (all.empty() ? "" : " | ") + toString(keys);
        return all;
    }

    MappingTable m_table;
    RecordingKeyInjector m_keys;
    CountingBeeper m_beeper;
    RecordingStatus m_status;
    PassingDispatcher m_dispatcher{m_table, m_keys, m_beeper, m_status};
    Strings m_held;
    const std::string m_at = "1970-01-01T00:00:00.000+00:00,";
};

struct PassingCase
{
    const char* name;
    char preset; // 'F': "Key-S = F1-F12", 'D': "Key-S = 1-0", else none
    RowTexts ids;
    RowTexts keyTexts;
    std::vector<std::pair<std::int16_t, bool>> passings; // each ID, and whether auto-assign is on
    const char* typed;
    RowTexts claimed;
};

const PassingCase kPassingCases[] = {
    {"KnownIdTypesItsRow", 'F', {{5, "42"}}, {}, {{42, false}}, "F6", {}},
    // Typing row 0's key for an unknown car would credit its passing to another car.
    {"UnknownIdTypesNothing", 'F', {{0, "1"}}, {}, {{9, false}}, "", {}},
    {"UnknownIdWithNoEmptyRowTypesNothing",
     'F',
     {{0, "1"},
      {1, "101"},
      {2, "102"},
      {3, "103"},
      {4, "104"},
      {5, "105"},
      {6, "106"},
      {7, "107"},
      {8, "108"},
      {9, "109"},
      {10, "110"},
      {11, "111"}},
     {},
     {{9, true}},
     "",
     {}},
    // A blank is not an empty row; the claimed row types at once, and is found by the next passing.
    {"AutoAssignClaimsAndTypesAtOnce",
     'D',
     {{0, "11"}, {1, " "}},
     {},
     {{-7, true}, {-7, false}},
     "'3' | '3'",
     {{2, "-7"}}},
    {"KnownIdIsNeverClaimedAgain", 'F', {{4, "8"}}, {}, {{8, true}}, "F5", {}},
    // Empty rows hold no number, so transponder 0 claims the first one like any other ID.
    {"TransponderZero", 'F', {{0, "5"}}, {}, {{0, false}, {0, true}}, "F2", {{1, "0"}}},
    {"EmptyKeyTextTypesNothing", ' ', {{3, "77"}}, {}, {{77, false}}, "", {}},
    {"BrokenKeyTextTypesNothing", ' ', {{0, "1"}}, {{0, "a{"}}, {{1, false}}, "", {}},
    {"DigitPresetRowNineTypesOneThenZero", 'D', {{9, "310"}}, {}, {{310, false}}, "'1' '0'", {}},
};

class PassingCaseTest : public PassingDispatcherTest, public testing::WithParamInterface<PassingCase>
{
};

} // namespace

TEST(TransponderIdText, HasASignPosition)
{
    const std::pair<std::int16_t, const char*> cases[] = {{7, "Transponder ID =  7"},
                                                          {0, "Transponder ID =  0"},
                                                          {123, "Transponder ID =  123"},
                                                          {-5, "Transponder ID = -5"},
                                                          {-32768, "Transponder ID = -32768"}};
    for (const auto& [id, text] : cases)
        EXPECT_EQ(TransponderIdText(id), text);
}

// Every passing beeps and shows its ID, whatever it types.
TEST_P(PassingCaseTest, TypesTheRowsKeyStroke)
{
    const PassingCase& c = GetParam();
    if (c.preset == 'F')
        m_table.PresetFunctionKeys();
    else if (c.preset == 'D')
        m_table.PresetDigitKeys();
    for (const auto& [row, text] : c.ids)
        m_table.setIdText(row, text);
    for (const auto& [row, text] : c.keyTexts)
        m_table.setKeyText(row, text);
    MappingTable expected = m_table;
    for (const auto& [row, text] : c.claimed)
        expected.setIdText(row, text);
    Strings shown;
    for (const auto& [id, autoAssign] : c.passings) {
        m_dispatcher.onPassing(id, autoAssign);
        shown.push_back(TransponderIdText(id));
    }
    EXPECT_EQ(typed(), c.typed);
    EXPECT_EQ(m_beeper.beeps, static_cast<int>(c.passings.size()));
    EXPECT_EQ(m_status.posts, shown);
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        EXPECT_EQ(m_table.row(i).IdText, expected.row(i).IdText) << "row " << i;
}

INSTANTIATE_TEST_SUITE_P(Passings, PassingCaseTest, testing::ValuesIn(kPassingCases),
                         [](const testing::TestParamInfo<PassingCase>& info) { return std::string(info.param.name); });

TEST_F(PassingDispatcherTest, KeysSettledLaterAreLoggedThen)
{
    // With --key-delay the injector tells what became of a key-stroke when its turn comes: the log
    // has the passing then, after an unknown car that passed meanwhile.
    RecordingLineSink sink;
    RaceLog log(sink, [] { return WallTime{}; }, {});
    m_dispatcher.setLog(&log);
    m_dispatcher.setHoldHandler([this](const std::string& why) { m_held.push_back(why); });
    m_table.PresetFunctionKeys();
    m_table.setIdText(0, "7");
    m_keys.deferred = true;

    const std::pair<KeyOutcome, const char*> outcomes[] = {
        {KeyOutcome::Typed, "typed"},
        {KeyOutcome::OwnWindow, "not typed (Orvanel had the keyboard focus)"},
        {KeyOutcome::NoFocus, "not typed (no program had the keyboard focus)"},
        {KeyOutcome::TooLate, "not typed (waited more than 5 s)"},
        {KeyOutcome::NoKey, "not typed (no key for it in the keyboard map)"},
        {KeyOutcome::NoBackend, "not typed (no key backend)"},
    };
    for (std::size_t i = 0; i < std::size(outcomes); ++i)
        EXPECT_EQ(m_dispatcher.onPassing(7, false, KeyTarget::OtherProgram, 100), Typing::Sent);
    EXPECT_EQ(m_dispatcher.onPassing(9, true, KeyTarget::OtherProgram, 200), Typing::Sent);
    EXPECT_EQ(m_dispatcher.onPassing(10, false, KeyTarget::OtherProgram, 300), Typing::Nothing);
    Strings expected{m_at + "300,10,,,unknown ID\r\n"};
    EXPECT_EQ(sink.lines, expected);

    for (const auto& [outcome, text] : outcomes) {
        m_keys.settle(outcome);
        expected.push_back(m_at + "100,7,1,{F1}," + text + "\r\n");
    }
    // The program closes with the claimed car's key-stroke still waiting.
    m_keys.cancelQueued();
    expected.push_back(m_at + "200,9,2,{F2},claimed row 2; not typed (Orvanel was closing)\r\n");
    EXPECT_EQ(sink.lines, expected);
    EXPECT_EQ(m_held, (Strings{messages::kKeysWithheld, messages::kNoProgramFocused,
                               "No se escribió la tecla: habría salido más de 5 s tarde, detrás de otras. Acorte la "
                               "pausa entre teclas (--key-delay).",
                               messages::kNoKeyForIt, messages::kNoKeyBackend}));
}
