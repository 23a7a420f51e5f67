#include "about/AboutCaptions.h"
#include "about/SystemInfo.h"
#include "fakes/FakeSystemInfo.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace orvanel;
using namespace orvanel::test;

namespace {

constexpr int kNoKey = -1;
constexpr int kNoValue = -2;
constexpr int kSz = static_cast<int>(kRegSz);
constexpr int kDword = static_cast<int>(kRegDword);
constexpr int kBinary = 3;

const std::string kTool = "/usr/bin/tool";
const std::string kFolder = "C:\\Tools";
const std::string kFolderTool = "C:\\Tools\\MSINFO32.EXE";
const std::string kLongest = "/" + std::string(1022, 'x'); // 1024 bytes with its zero

// A registry text as stored, with or without its terminating zero.
std::string sz(const std::string& text, bool terminatingZero = true)
{
    return terminatingZero ? text + '\0' : text;
}

void put(FakeRegistry& registry, const char* key, const char* value, int type, const std::string& data)
{
    if (type == kNoKey)
        return;
    registry.addKey(key);
    if (type != kNoValue)
        registry.setValue(key, value, {static_cast<std::uint32_t>(type), data});
}

struct StartCase
{
    const char* name;
    int firstType; // the tool's full path
    std::string first;
    int secondType; // the folder that holds it
    std::string second;
    std::vector<std::string> files;
    std::vector<std::string> installed; // what the launcher can start
    std::vector<std::string> launched;  // every launch attempted, in order
    bool box;
    std::size_t keysAsked;
};

const StartCase kStarts[] = {
    {"text with its zero", kSz, sz(kTool), kNoKey, "", {}, {kTool}, {kTool}, false, 1},
    {"text without its zero", kSz, sz(kTool, false), kNoKey, "", {}, {kTool}, {kTool}, false, 1},
    {"1024 bytes", kSz, sz(kLongest), kNoKey, "", {}, {kLongest}, {kLongest}, false, 1},
    {"1025 bytes count as missing",
     kSz,
     sz(kLongest + "y"),
     kSz,
     sz(kFolder),
     {kFolderTool},
     {kFolderTool},
     {kFolderTool},
     false,
     2},
    {"empty value ends it", kSz, "", kSz, sz(kFolder), {kFolderTool}, {kFolderTool}, {}, true, 1},
    {"number, last byte zero",
     kDword,
     std::string("\x01\x2c\x01\x00", 4),
     kSz,
     sz(kFolder),
     {kFolderTool},
     {kFolderTool},
     {"76801"},
     true,
     1},
    {"number, last byte not zero",
     kDword,
     std::string("\x00\x00\x00\x01", 4),
     kNoKey,
     "",
     {},
     {},
     {"16777216"},
     true,
     1},
    {"other type launches nothing",
     kBinary,
     sz(kTool),
     kSz,
     sz(kFolder),
     {kFolderTool},
     {kTool, kFolderTool},
     {""},
     true,
     1},
    {"first names a missing program",
     kSz,
     sz("/usr/bin/gone"),
     kSz,
     sz(kFolder),
     {kFolderTool},
     {kFolderTool},
     {"/usr/bin/gone"},
     true,
     1},
    {"second holds the tool",
     kNoKey,
     "",
     kSz,
     sz(kFolder, false),
     {kFolderTool},
     {kFolderTool},
     {kFolderTool},
     false,
     2},
    {"second without the tool", kNoValue, "", kSz, sz(kFolder), {}, {kFolderTool}, {}, true, 2},
    {"second's tool does not start", kNoKey, "", kSz, sz(kFolder), {kFolderTool}, {}, {kFolderTool}, true, 2},
    {"neither", kNoKey, "", kNoKey, "", {}, {}, {}, true, 2},
};

} // namespace

TEST(SystemInfo, StartSysInfo)
{
    for (const StartCase& c : kStarts) {
        SCOPED_TRACE(c.name);
        FakeRegistry registry;
        put(registry, SystemInfo::kToolKey, SystemInfo::kToolValue, c.firstType, c.first);
        put(registry, SystemInfo::kLocationKey, SystemInfo::kLocationValue, c.secondType, c.second);
        FakeFileTest fileTest;
        fileTest.files.insert(c.files.begin(), c.files.end());
        FakeLauncher launcher;
        launcher.installed.insert(c.installed.begin(), c.installed.end());
        RecordingNotice messages;

        SystemInfo(registry, fileTest, launcher, messages).StartSysInfo();

        EXPECT_EQ(launcher.attempts, c.launched);
        EXPECT_EQ(messages.shown,
                  c.box ? std::vector<std::string>{SystemInfo::kUnavailable} : std::vector<std::string>{});
        // The locations in their order, read with read rights only (the fake refuses write rights), and
        // every key closed again.
        const std::vector<std::string> locations{SystemInfo::kToolKey, SystemInfo::kLocationKey};
        ASSERT_EQ(registry.opens.size(), c.keysAsked);
        for (std::size_t i = 0; i < c.keysAsked; ++i) {
            EXPECT_EQ(registry.opens[i].keyName, locations[i]);
            EXPECT_EQ(registry.opens[i].root, kLocalMachine);
            EXPECT_EQ(registry.opens[i].options, 0u);
            EXPECT_EQ(registry.opens[i].access, kKeyRead);
        }
        EXPECT_EQ(registry.keysLeftOpen(), 0u);
    }
}

TEST(SystemInfo, KeyValueInAndOut)
{
    FakeRegistry registry;
    registry.setValue("K", "binary", {kBinary, "abc"});
    registry.setValue("K", "empty", {kRegSz, ""});
    FakeFileTest fileTest;
    FakeLauncher launcher;
    RecordingNotice messages;
    SystemInfo info(registry, fileTest, launcher, messages);

    std::string value = "held";
    EXPECT_EQ(info.GetKeyValue(kLocalMachine, "K", "binary", value), SystemInfo::KeyValue::Read);
    EXPECT_EQ(value, "held");
    EXPECT_EQ(info.GetKeyValue(kLocalMachine, "K", "empty", value), SystemInfo::KeyValue::Failed);
    EXPECT_EQ(info.GetKeyValue(kLocalMachine, "K", "missing", value), SystemInfo::KeyValue::NotRead);
    EXPECT_EQ(value, "");
    EXPECT_EQ(registry.keysLeftOpen(), 0u);
}

TEST(AboutCaptions, FromTheIdentity)
{
    const AboutCaptions captions = aboutCaptions({"Pista", 12, 0, 7});
    EXPECT_EQ(captions.windowTitle, "About Pista");
    EXPECT_EQ(captions.version, "Version 12.0.7");
    EXPECT_EQ(captions.title, "Pista");
}
