#include "MessagePump.h"
#include "bridge/BridgeLink.h"
#include "platform/windows/io/ComPortLine.h"
#include "platform/windows/io/ComPortList.h"
#include "platform/windows/io/LoopTimer.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace orvanel;
using orvanel::test::pumpUntil;

// Run by com-port-bridge.sh, which hands the simulator each command this prints: COM1 is the
// simulator's pseudo-terminal through Wine's port map.
namespace {

void tell(const std::string& step)
{
    std::printf("%s\n", step.c_str());
    std::fflush(stdout);
}

std::vector<std::int16_t> upTo(int last)
{
    std::vector<std::int16_t> ids;
    for (int id = 1; id <= last; ++id)
        ids.push_back(static_cast<std::int16_t>(id));
    return ids;
}

} // namespace

TEST(ComPortBridge, PassingsComeOnceInOrderAndAHangupIsALostLinkUntilANewBridgeAnswers)
{
    LoopWindow loop;
    BridgeLink link(std::make_unique<ComPortLine>(PortMap(), loop), makeLoopTimer(loop),
                    [] { return GetTickCount64(); });
    std::vector<std::int16_t> ids;
    int lost = 0;
    int restored = 0;
    link.setPassingHandler([&](const std::int16_t& id, std::optional<std::uint32_t>) { ids.push_back(id); });
    link.setLinkLostHandler([&] { ++lost; });
    link.setLinkRestoredHandler([&] { ++restored; });
    ASSERT_TRUE(link.OpenPort(1)) << link.lastError();
    link.StartDetection();
    ASSERT_TRUE(link.isDetecting());
    for (int id = 1; id <= 30; ++id)
        tell("bridge: pass " + std::to_string(id));
    ASSERT_TRUE(pumpUntil([&] { return ids.size() >= 30; }, 20000)) << ids.size() << " passings";
    EXPECT_EQ(ids, upTo(30));

    tell("bridge: hangup");
    ASSERT_TRUE(pumpUntil([&] { return lost > 0; }, 15000));
    EXPECT_FALSE(link.isOpen());
    tell("new-bridge");
    ASSERT_TRUE(pumpUntil([&] { return restored > 0; }, 30000));
    EXPECT_TRUE(link.isDetecting());
    tell("bridge: pass 31");
    ASSERT_TRUE(pumpUntil([&] { return ids.size() >= 31; }, 10000));
    EXPECT_EQ(ids, upTo(31));
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(restored, 1);
}

TEST(ComPortBridge, OpenFailuresSayWhyInTheUsersTerms)
{
    LoopWindow loop;
    PortMap ports;
    ports.setDevice(2, "COM97");
    ComPortLine line(ports, loop);
    std::string error;
    EXPECT_FALSE(line.open(2, error));
    EXPECT_EQ(error.rfind("COM97: el puerto no existe; ", 0), 0u) << error;
    EXPECT_FALSE(line.open(7, error));
    EXPECT_EQ(error, "COM 7 no existe; los puertos son COM 1 a COM 6");
    EXPECT_FALSE(line.isOpen());
    EXPECT_TRUE(line.open(1, error)) << error;
}

TEST(ComPortBridge, ThePortListNamesTheSystemsPortsInOrder)
{
    const std::vector<std::string> ports = systemComPorts();
    EXPECT_NE(std::find(ports.begin(), ports.end(), "COM1"), ports.end());
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    }));
    EXPECT_EQ(describeComPorts({"COM3", "COM10"}), "COM ports found:\n  COM3\n  COM10\n\n"
                                                   "Without --com, \"COM N\" opens COMN. To open another port as "
                                                   "COM 1:\n  orvanel --com 1=COM10\nor put this line in "
                                                   "orvanel.conf:\n  com1 = COM10\n");
    EXPECT_EQ(describeComPorts({}).rfind("No COM ports found: is the bridge's adapter plugged in?\n", 0), 0u);
}
