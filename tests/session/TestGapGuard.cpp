#include "session/GapGuard.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

using namespace orvanel;

namespace {

struct GapCase
{
    const char* name;
    std::uint32_t gapMs;
    // Each passing is "ID@STAMP" (stamped by the bridge) or "ID~HOST" (no stamp; the host clock
    // reads HOST); each verdict "typed" or the milliseconds since the car's last typed passing.
    const char* passings;
    const char* verdicts;
};

const GapCase kCases[] = {
    {"BounceHeldGapFromTheTypedOne", 500, "7@1000 7@1400 7@1600 7@1900", "typed 400 typed 300"},
    {"ExactlyTheGapTypes", 500, "7@1000 7@1499 7@1500", "typed 499 typed"},
    {"EachCarItsOwnGap", 500, "7@1000 8@1100 7@1200 8@1700", "typed typed 200 typed"},
    {"AcrossThe32BitWrap", 500, "7@4294967000 7@200 7@204", "typed 496 typed"},
    {"BridgeClockRestarted", 500, "7@90000 7@10", "typed typed"},
    {"HostClockWithoutStamps", 300, "7~1000 7~1299 7~1300", "typed 299 typed"},
    {"HostClockPast32Bits", 300, "7~4294967196 7~4294967396 7~4294967496", "typed 200 typed"},
    {"ClocksMixedNeverCompared", 500, "7@1000 7~1100 7~1200 7@1300 7@1400", "typed typed 100 typed 100"},
};

class GapGuardTest : public testing::TestWithParam<GapCase>
{
};

} // namespace

TEST_P(GapGuardTest, JudgesEachPassing)
{
    const GapCase& c = GetParam();
    std::uint64_t hostMs = 0;
    GapGuard guard(c.gapMs, [&hostMs] { return hostMs; });
    std::istringstream passings(c.passings);
    std::string passing;
    std::string verdicts;
    while (passings >> passing) {
        const std::size_t mark = passing.find_first_of("@~");
        const std::uint64_t time = std::stoull(passing.substr(mark + 1));
        std::optional<std::uint32_t> stamp;
        if (passing[mark] == '@')
            stamp = static_cast<std::uint32_t>(time);
        else
            hostMs = time;
        const auto since = guard.admit(static_cast<std::int16_t>(std::stoi(passing.substr(0, mark))), stamp);
        verdicts += (verdicts.empty() ? "" : " ") + (since ? std::to_string(*since) : std::string("typed"));
    }
    EXPECT_EQ(verdicts, c.verdicts);
}

INSTANTIATE_TEST_SUITE_P(Passings, GapGuardTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<GapCase>& info) { return std::string(info.param.name); });
