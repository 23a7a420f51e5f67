#include "bridge/PortMap.h"

#include <gtest/gtest.h>
#include <string>

using orvanel::PortMap;

namespace {

// "COM N" is the system's own COMN on Windows, the N-th serial device on Linux.
std::string defaultDevice(int port)
{
#ifdef _WIN32
    return "COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

} // namespace

TEST(PortMap, DefaultsAreTheFirstSixSerialPorts)
{
    const PortMap map;
    for (int port = 1; port <= 6; ++port) {
        EXPECT_EQ(map.device(port), defaultDevice(port));
        EXPECT_EQ(PortMap::defaultDevice(port), defaultDevice(port));
    }
}

TEST(PortMap, NumbersOutsideOneToSixHaveNoDevice)
{
    const PortMap map;
    for (int port : {-1, 0, 7, 100})
        EXPECT_TRUE(map.device(port).empty() && PortMap::defaultDevice(port).empty()) << port;
    EXPECT_FALSE(PortMap::isValidPort(0));
    EXPECT_TRUE(PortMap::isValidPort(1));
    EXPECT_TRUE(PortMap::isValidPort(6));
    EXPECT_FALSE(PortMap::isValidPort(7));
}

TEST(PortMap, AcceptsGoodOptions)
{
    const struct
    {
        const char* value;
        int port;
        const char* device;
    } cases[] = {
        {"1=/dev/ttyUSB0", 1, "/dev/ttyUSB0"}, {"6=/tmp/bridge link", 6, "/tmp/bridge link"},
        {"03=/dev/pts/4", 3, "/dev/pts/4"},    {"2=/tmp/a=b", 2, "/tmp/a=b"},
        {"4=ttyACM0", 4, "ttyACM0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        PortMap map;
        std::string error = "stale";
        EXPECT_TRUE(map.applyOption(c.value, error));
        EXPECT_EQ(error, "");
        EXPECT_EQ(map.device(c.port), c.device);
        for (int other = 1; other <= 6; ++other) {
            // Only the port given is chosen: orvanel.conf may still choose the others.
            EXPECT_EQ(map.isChosen(other), other == c.port);
            if (other != c.port) {
                EXPECT_EQ(map.device(other), defaultDevice(other));
            }
        }
    }
}

TEST(PortMap, RefusesBadOptions)
{
    const struct
    {
        std::string value;
        const char* reason;
    } cases[] = {
        {"/dev/ttyUSB0", "expected N=DEVICE"},    {"", "expected N=DEVICE"},
        {"0=/dev/ttyUSB0", "must be 1 to 6"},     {"7=/dev/ttyUSB0", "must be 1 to 6"},
        {"-1=/dev/ttyUSB0", "must be 1 to 6"},    {"one=/dev/ttyUSB0", "must be 1 to 6"},
        {"COM1=/dev/ttyUSB0", "must be 1 to 6"},  {"=/dev/ttyUSB0", "must be 1 to 6"},
        {"99999999999=/dev/x", "must be 1 to 6"}, {"2=", "device path is missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        PortMap map;
        std::string error;
        EXPECT_FALSE(map.applyOption(c.value, error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.rfind("--com " + c.value, 0), 0u) << error;
        for (int port = 1; port <= 6; ++port) {
            EXPECT_EQ(map.device(port), defaultDevice(port));
            EXPECT_FALSE(map.isChosen(port));
        }
    }
}

TEST(PortMap, LaterOptionWins)
{
    PortMap map;
    std::string error;
    EXPECT_TRUE(map.applyOption("1=/dev/a", error));
    EXPECT_TRUE(map.applyOption("1=/dev/b", error));
    EXPECT_EQ(map.device(1), "/dev/b");
}
