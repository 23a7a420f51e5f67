#include "MessagePump.h"
#include "bridge/BridgeLink.h"
#include "bridge/PortLine.h"
#include "platform/windows/io/ComPortLine.h"
#include "platform/windows/io/LoopTimer.h"
#include "platform/windows/io/WinsockLine.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

using namespace orvanel;
using orvanel::test::pumpUntil;

// Run by tcp-bridge.sh, which starts the Linux simulator with --listen on 127.0.0.1, names its port
// in ORVANEL_TEST_BRIDGE ("127.0.0.1:PORT") and plays the simulator's part at each line this prints.
namespace {

void tell(const char* step)
{
    std::printf("%s\n", step);
    std::fflush(stdout);
}

std::vector<std::int16_t> upTo(int last)
{
    std::vector<std::int16_t> ids;
    for (int id = 1; id <= last; ++id)
        ids.push_back(static_cast<std::int16_t>(id));
    return ids;
}

std::string bridgeAddress()
{
    const char* endpoint = std::getenv("ORVANEL_TEST_BRIDGE");
    return std::string("tcp://") + (endpoint ? endpoint : "");
}

} // namespace

TEST(WinsockBridge, PassingsComeOnceInOrderAndADroppedConnectionRecoversByItself)
{
    LoopWindow loop;
    PortMap ports;
    ports.setDevice(3, bridgeAddress());
    BridgeLink link(std::make_unique<PortLine>(ports, std::make_unique<ComPortLine>(ports, loop),
                                               std::make_unique<WinsockLine>(ports, loop)),
                    makeLoopTimer(loop), [] { return GetTickCount64(); });
    std::vector<std::int16_t> ids;
    int lost = 0;
    int restored = 0;
    link.setPassingHandler([&](const std::int16_t& id, std::optional<std::uint32_t>) { ids.push_back(id); });
    link.setLinkLostHandler([&] { ++lost; });
    link.setLinkRestoredHandler([&] { ++restored; });
    ASSERT_TRUE(link.OpenPort(3)) << link.lastError();
    ASSERT_EQ(link.ReadTransponder(), kNoTransponder);
    link.StartDetection();
    ASSERT_TRUE(link.isDetecting());
    tell("detecting");
    ASSERT_TRUE(pumpUntil([&] { return ids.size() >= 30; }, 20000)) << ids.size() << " passings";
    EXPECT_EQ(ids, upTo(30));

    tell("passed");
    ASSERT_TRUE(pumpUntil([&] { return lost > 0; }, 15000));
    const std::string why = link.lastError();
    const std::string closed = ": el servidor cerró la conexión";
    EXPECT_TRUE(why.size() > closed.size() && why.compare(why.size() - closed.size(), closed.size(), closed) == 0)
        << why;
    ASSERT_TRUE(pumpUntil([&] { return restored > 0; }, 30000));
    EXPECT_TRUE(link.isDetecting());
    tell("restored");
    ASSERT_TRUE(pumpUntil([&] { return ids.size() >= 31; }, 10000));
    EXPECT_EQ(ids, upTo(31));
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(restored, 1);
}

TEST(WinsockBridge, FailuresSayWhyInTheUsersTerms)
{
    LoopWindow loop;
    PortMap ports;
    ports.setDevice(1, "tcp://127.0.0.1");
    // Port 1 of the loopback interface: nobody listens there.
    ports.setDevice(2, "rfc2217://127.0.0.1:1");
    BridgeLink link(std::make_unique<PortLine>(ports, std::make_unique<ComPortLine>(ports, loop),
                                               std::make_unique<WinsockLine>(ports, loop)),
                    makeLoopTimer(loop), [] { return GetTickCount64(); });
    int lost = 0;
    link.setLinkLostHandler([&] { ++lost; });
    EXPECT_FALSE(link.OpenPort(1));
    EXPECT_EQ(link.lastError(), "tcp://127.0.0.1: falta el puerto TCP; se espera tcp://EQUIPO:PUERTO o "
                                "rfc2217://EQUIPO:PUERTO");
    ASSERT_TRUE(link.OpenPort(2));
    EXPECT_EQ(link.ReadTransponder(), kNoCommunication);
    ASSERT_TRUE(pumpUntil([&] { return lost > 0; }, 15000));
    EXPECT_EQ(link.lastError().rfind("127.0.0.1:1: el servidor rechazó la conexión", 0), 0U) << link.lastError();
}
