#include "PosixFileSupport.h"
#include "platform/posix/PosixFiles.h"
#include "storage/IdListFile.h"
#include "storage/PortSettingFile.h"
#include "storage/SettingsFile.h"

#include <gtest/gtest.h>

using namespace orvanel;
using namespace orvanel::test;

// A folder another user can write to: what that user plants under Orvanel's file names is neither
// used nor written through, and what the operator's own links lead to still is.
namespace {

bool startsWith(const std::string& text, const std::string& start)
{
    return text.rfind(start, 0) == 0;
}

} // namespace

TEST(SharedFolder, SettingsOfAnotherUserAreNotUsed)
{
    // A file of the other user's, and a link of theirs to the operator's own file.
    for (const bool asLink : {false, true}) {
        SCOPED_TRACE(asLink ? "planted link" : "planted file");
        TemporaryFolder dir;
        const std::string portFile = dir.path(kPortSettingFileName);
        const std::string settingsFile = dir.path(kSettingsFileName);
        for (const auto& [path, contents] :
             {std::pair(portFile, " 3 \r\n"), std::pair(settingsFile, "min-gap = 600000\ncom1 = /dev/x\n")}) {
            if (asLink) {
                ASSERT_TRUE(putFile(path + ".mine", contents));
                std::filesystem::create_symlink(path + ".mine", path);
            } else {
                ASSERT_TRUE(putFile(path, contents));
            }
            if (const std::string skip = giveToAnotherUser(path); !skip.empty())
                GTEST_SKIP() << skip;
        }
        const std::string whose = asLink ? ": es un enlace de otro usuario (" : ": es de otro usuario (";
        PosixFiles files;

        const StoredPortIndex port = readPortIndex(files, portFile);
        EXPECT_EQ(port.index, 0);
        EXPECT_TRUE(port.untrusted);
        EXPECT_TRUE(startsWith(port.problem, portFile + whose)) << port.problem;
        EXPECT_NE(port.problem.find("); no se tiene en cuenta y se usa COM 1"), std::string::npos) << port.problem;

        const Settings settings = readSettings(files, settingsFile);
        EXPECT_TRUE(settings.untrusted && !settings.minGapMs && !settings.portDevices[0]);
        ASSERT_EQ(settings.problems.size(), 1U);
        EXPECT_TRUE(startsWith(settings.problems[0], settingsFile + whose)) << settings.problems[0];

        // Closing the window does not replace the other user's file, nor what the link leads to.
        const FileProblem written = writePortIndex(files, portFile, 1);
        EXPECT_TRUE(startsWith(written, portFile + whose)) << written;
        EXPECT_EQ(contentsOf(asLink ? portFile + ".mine" : portFile), " 3 \r\n");
    }
}

TEST(SharedFolder, NothingWrittenThroughAnotherUsersLink)
{
    TemporaryFolder dir;
    const std::string secret = dir.path("private.txt");
    ASSERT_TRUE(putFile(secret, "the operator's own\n"));
    const std::string ids = dir.path("coches.txt");
    const std::string log = dir.path("carrera.csv");
    for (const std::string& planted : {ids, log}) {
        std::filesystem::create_symlink(secret, planted);
        if (const std::string skip = giveToAnotherUser(planted); !skip.empty())
            GTEST_SKIP() << skip;
    }
    // The operator's own link to the planted one: each link on the way counts.
    const std::string mine = dir.path("mine.txt");
    std::filesystem::create_symlink(ids, mine);

    PosixFiles files;
    const std::string refused = ": es un enlace de otro usuario (";
    EXPECT_TRUE(startsWith(writeIdList(files, ids, IdList{"7"}), ids + refused));
    EXPECT_TRUE(startsWith(writeIdList(files, mine, IdList{"7"}), ids + refused));
    EXPECT_TRUE(startsWith(files.openLog(log, "h\r\n")->append("a\r\n"), log + refused));
    EXPECT_EQ(contentsOf(secret), "the operator's own\n");

    // A race log a team mate started, with no link, is the shared record: it grows.
    const std::string shared = dir.path("equipo.csv");
    ASSERT_TRUE(putFile(shared, "h\r\n"));
    ASSERT_EQ(giveToAnotherUser(shared), "");
    EXPECT_EQ(files.openLog(shared, "h\r\n")->append("a\r\n"), "");
    EXPECT_EQ(contentsOf(shared), "h\r\na\r\n");
}
