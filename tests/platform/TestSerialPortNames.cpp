#include "platform/serial/SerialPortNames.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace orvanel;
namespace fs = std::filesystem;

namespace {

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        std::random_device random;
        do
            m_path = fs::temp_directory_path() / ("orvanel-test-" + std::to_string(random()));
        while (!fs::create_directory(m_path));
        m_path = fs::canonical(m_path);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

// The lasting names of serial adapters, as --list-ports and the hint for a missing device show them.
TEST(SerialPortNames, ByIdLinksAndListing)
{
    ScratchFolder dir;
    const std::string byId = dir.path("by-id");
    fs::create_directory(byId);
    for (const char* device : {"ttyUSB0", "ttyUSB1"})
        ASSERT_TRUE(std::ofstream(dir.path(device)).good());
    // Two names of one adapter, one of another, and one of an adapter just unplugged.
    fs::create_symlink("../ttyUSB1", byId + "/usb-Maker_B-if00-port0");
    fs::create_symlink(dir.path("ttyUSB0"), byId + "/usb-Maker_A-if00-port0");
    fs::create_symlink(dir.path("ttyUSB0"), byId + "/usb-Maker_A-if01-port0");
    fs::create_symlink(dir.path("ttyUSB9"), byId + "/usb-Gone-if00-port0");

    std::vector<SerialPortName> ports = serialPortLinks(byId);
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].device, dir.path("ttyUSB0"));
    EXPECT_EQ(ports[0].byId,
              (std::vector<std::string>{byId + "/usb-Maker_A-if00-port0", byId + "/usb-Maker_A-if01-port0"}));
    EXPECT_EQ(ports[1].byId.size(), 1u);
    EXPECT_TRUE(serialPortLinks(dir.path("none")).empty());

    // A port the system lists without a link joins in device order, once.
    addSerialPort(ports, "/dev/ttyS0").description = "16550A";
    addSerialPort(ports, "/dev/ttyS0");
    EXPECT_EQ(ports.size(), 3u);
    const std::string listing = formatSerialPortList(ports);
    EXPECT_EQ(listing.rfind("Serial ports found:\n  /dev/ttyS0  (16550A)\n", 0), 0u) << listing;
    EXPECT_TRUE(contains(listing, "orvanel --com 1=" + byId + "/usb-Maker_A-if00-port0\n")) << listing;
    // The same, ready for orvanel.conf.
    EXPECT_TRUE(contains(listing, "\n  com1 = " + byId + "/usb-Maker_A-if00-port0\n")) << listing;
    EXPECT_TRUE(contains(formatSerialPortList({}), "orvanel --com 1=DEVICE"));

    EXPECT_EQ(occurrences(missingDeviceHint(ports), "usb-Maker_"), 3u);
    EXPECT_TRUE(contains(missingDeviceHint({}), "ningún adaptador"));
    EXPECT_TRUE(contains(permissionHint("uucp"), "grupo uucp (sudo adduser $USER uucp)"));
    EXPECT_TRUE(contains(permissionHint(""), "grupo dialout"));
}
