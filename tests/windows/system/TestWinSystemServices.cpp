#include "WinTestFolder.h"
#include "about/SystemInfo.h"
#include "platform/windows/WinClocks.h"
#include "platform/windows/WinFileTest.h"
#include "platform/windows/WinLauncher.h"
#include "platform/windows/WinRegistry.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <windows.h>

using namespace orvanel;
using namespace orvanel::test;

namespace {

constexpr char kVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::string systemFolder()
{
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return std::filesystem::path(std::wstring(folder, length)).u8string();
}

} // namespace

TEST(WinClocks, WallClockIsUtcWithASaneOffset)
{
    const auto before =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    const WallTime wall = windowsWallTime();
    EXPECT_GE(wall.epochMs, before - 1000);
    EXPECT_LE(wall.epochMs, before + 5000);
    // Every zone on Earth lies between UTC-12 and UTC+14, on a quarter of an hour.
    EXPECT_GE(wall.offsetSeconds, -12 * 3600);
    EXPECT_LE(wall.offsetSeconds, 14 * 3600);
    EXPECT_EQ(wall.offsetSeconds % 900, 0);
    // Run with a zone given (see CMakeLists.txt), the offset is that zone's.
    if (const char* expected = std::getenv("ORVANEL_TEST_UTC_OFFSET")) {
        EXPECT_EQ(wall.offsetSeconds, std::atoi(expected));
    }

    const std::uint64_t first = windowsSteadyMs();
    const std::uint64_t second = windowsSteadyMs();
    EXPECT_LE(first, second);
    EXPECT_LT(second - first, 1000U);
}

TEST(WinRegistry, ReadsValuesAndNamesWhatIsMissing)
{
    WinRegistry registry;
    const Registry::Opened version = registry.RegOpenKeyExA(kLocalMachine, kVersionKey, 0, kKeyRead);
    ASSERT_EQ(version.status, kRegSuccess);
    ASSERT_NE(version.key, 0U);

    std::vector<char> buffer(256, 'x');
    Registry::Queried text = registry.RegQueryValueExA(version.key, "CurrentVersion", buffer);
    ASSERT_EQ(text.status, kRegSuccess);
    EXPECT_EQ(text.type, kRegSz);
    const std::string number(buffer.data());
    EXPECT_EQ(text.size, number.size() + 1); // with its terminating zero
    EXPECT_TRUE(number.size() >= 3 && number.find('.') != std::string::npos) << number;

    std::vector<char> tooSmall(2, 'x');
    const Registry::Queried more = registry.RegQueryValueExA(version.key, "CurrentVersion", tooSmall);
    EXPECT_EQ(more.status, kRegMoreData);
    EXPECT_EQ(more.size, text.size);

    const Registry::Queried dword = registry.RegQueryValueExA(version.key, "InstallDate", buffer);
    EXPECT_EQ(dword.status, kRegSuccess);
    EXPECT_EQ(dword.type, kRegDword);
    EXPECT_EQ(dword.size, 4U);

    EXPECT_EQ(registry.RegQueryValueExA(version.key, "NoSuchValue", buffer).status, kRegNotFound);
    registry.RegCloseKey(version.key);
    EXPECT_EQ(registry.RegQueryValueExA(version.key, "CurrentVersion", buffer).status, kRegInvalidHandle);

    const struct
    {
        const char* key;
        std::uint32_t access;
        RegStatus status;
    } opens[] = {
        {"SOFTWARE\\Orvanel\\No Such Key", kKeyRead, kRegNotFound},
        {kVersionKey, kKeyRead | kKeyWriteRights, kRegAccessDenied}, // read access only
    };
    for (const auto& o : opens) {
        SCOPED_TRACE(o.key);
        const Registry::Opened opened = registry.RegOpenKeyExA(kLocalMachine, o.key, 0, o.access);
        EXPECT_EQ(opened.status, o.status);
        EXPECT_EQ(opened.key, 0U);
    }
}

// "System Info..." reads the registry through the same calls.
TEST(WinRegistry, SystemInfoReadsTextAndNumbers)
{
    WinRegistry registry;
    WinFileTest files;
    WinLauncher launcher;
    struct : UserNotice
    {
        void show(const std::string&) override {}
    } messages;
    SystemInfo info(registry, files, launcher, messages);
    std::string value;
    EXPECT_EQ(info.GetKeyValue(kLocalMachine, kVersionKey, "SystemRoot", value), SystemInfo::KeyValue::Read);
    EXPECT_EQ(fsPath(value), fsPath(systemFolder()).parent_path());
    EXPECT_EQ(info.GetKeyValue(kLocalMachine, kVersionKey, "InstallDate", value), SystemInfo::KeyValue::Read);
    EXPECT_FALSE(value.empty());
    EXPECT_EQ(value.find_first_not_of("0123456789"), std::string::npos) << value;
    EXPECT_EQ(info.GetKeyValue(kLocalMachine, kVersionKey, "NoSuchValue", value), SystemInfo::KeyValue::NotRead);
    EXPECT_EQ(value, "");
}

TEST(WinFileTest, OnlyVisibleOrdinaryFiles)
{
    WinTestFolder dir;
    ASSERT_TRUE(putFile(dir.path("msinfo ñ.exe"), "MZ"));
    ASSERT_TRUE(putFile(dir.path("hidden.exe"), "MZ"));
    ASSERT_TRUE(::SetFileAttributesW(fsPath(dir.path("hidden.exe")).c_str(), FILE_ATTRIBUTE_HIDDEN));
    const struct
    {
        std::string path;
        bool ordinary;
    } cases[] = {
        {dir.path("msinfo ñ.exe"), true},
        {dir.path("hidden.exe"), false},
        {dir.path(""), false},
        {dir.path("missing.exe"), false},
        {"", false},
        {"NUL", false},
    };
    WinFileTest test;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(test.isOrdinaryFile(c.path), c.ordinary);
    }
}

TEST(WinLauncher, StartsAProgramByItsFullPathOnly)
{
    WinTestFolder dir;
    ASSERT_TRUE(putFile(dir.path("not a program.exe"), "text"));
    const struct
    {
        std::string command;
        bool started;
    } cases[] = {
        {systemFolder() + "\\hostname.exe", true},
        {"hostname.exe", false}, // no search along PATH
        {dir.path("missing.exe"), false},
        {dir.path("not a program.exe"), false},
        {dir.path(""), false},
        {"", false},
    };
    WinLauncher launcher;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(launcher.launch(c.command), c.started);
    }
}
