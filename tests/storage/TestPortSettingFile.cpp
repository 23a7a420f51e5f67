#include "fakes/MemoryFiles.h"
#include "storage/PortSettingFile.h"

#include <gtest/gtest.h>

using namespace orvanel;
using namespace orvanel::test;

TEST(PortSettingFile, Reads)
{
    const struct
    {
        const char* name;
        std::string contents;
        int index;
        std::string problem; // after "config.cfg: "
    } cases[] = {
        {"as written", " 3 \r\n", 3, ""},
        {"bare digit, no line end", "2", 2, ""},
        {"first field of several lines", "1\r\n5\r\n", 1, ""},
        {"ends at a comma", "  4,0\n", 4, ""},
        {"ends at a blank", "\t5 9", 5, ""},
        {"plus sign", "+2", 2, ""},
        {"empty", "", 0, "no guarda ningún puerto; se usa COM 1"},
        {"only a line end", "\r\n", 0, "no guarda ningún puerto; se usa COM 1"},
        {"not a number", "COM3", 0, "\"COM3\" no es un puerto de 0 a 5; se usa COM 1"},
        {"number then letters", "2x", 0, "\"2x\" no es un puerto de 0 a 5; se usa COM 1"},
        {"no such entry", "6", 0, "\"6\" no es un puerto de 0 a 5; se usa COM 1"},
        {"negative", "-1", 0, "\"-1\" no es un puerto de 0 a 5; se usa COM 1"},
        {"beyond a byte", "258", 0, "\"258\" no es un puerto de 0 a 5; se usa COM 1"},
        {"beyond an int, quoted in part", "99999999999999999999", 0,
         "\"99999999999999999999\" no es un puerto de 0 a 5; se usa COM 1"},
        {"long junk, quoted in part", "abcdefghijklmnopqrstuvwxyz", 0,
         "\"abcdefghijklmnopqrst\" no es un puerto de 0 a 5; se usa COM 1"},
        {"binary", std::string("\x00\xff\x01", 3), 0,
         std::string("\"\x00\xff\x01\"", 5) + " no es un puerto de 0 a 5; se usa COM 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFiles files;
        files.files["config.cfg"] = c.contents;
        for (const StoredPortIndex& stored :
             {parsePortIndex(c.contents, "config.cfg"), readPortIndex(files, "config.cfg")}) {
            EXPECT_EQ(stored.index, c.index);
            EXPECT_EQ(stored.problem, c.problem.empty() ? "" : "config.cfg: " + c.problem);
            EXPECT_FALSE(stored.untrusted);
        }
    }
}

TEST(PortSettingFile, WrittenBytesReadBack)
{
    MemoryFiles files;
    for (int index = 0; index < kPortIndexCount; ++index) {
        ASSERT_EQ(writePortIndex(files, "config.cfg", index), "");
        EXPECT_EQ(files.files["config.cfg"], " " + std::to_string(index) + " \r\n");
        EXPECT_EQ(readPortIndex(files, "config.cfg").index, index);
    }
}

TEST(PortSettingFile, UnusableFiles)
{
    MemoryFiles files;
    // No file: COM 1 as on a first run, and nothing to report.
    const StoredPortIndex missing = readPortIndex(files, "config.cfg");
    EXPECT_EQ(missing.index, 0);
    EXPECT_EQ(missing.problem, "");

    files.files["config.cfg"] = " 3 \r\n";
    files.problems["config.cfg"] = "config.cfg: es una carpeta";
    const StoredPortIndex folder = readPortIndex(files, "config.cfg");
    EXPECT_EQ(folder.index, 0);
    EXPECT_EQ(folder.problem, "config.cfg: es una carpeta");
    EXPECT_FALSE(folder.untrusted);
    EXPECT_EQ(writePortIndex(files, "config.cfg", 1), "config.cfg: es una carpeta");

    // Whatever else a damaged file holds is never read.
    files.problems.clear();
    files.files["config.cfg"] = "3" + std::string(1 << 20, 'x');
    files.chunkBytes = 64 * 1024;
    EXPECT_EQ(readPortIndex(files, "config.cfg").index, 0);
    EXPECT_LE(files.bytesRead, 256U);
}

TEST(PortSettingFile, AnotherUsersFileIsNeitherUsedNorReplaced)
{
    MemoryFiles files;
    files.files["config.cfg"] = " 3 \r\n";
    files.strangers["config.cfg"] = "pedro";
    const StoredPortIndex stored = readPortIndex(files, "config.cfg");
    EXPECT_EQ(stored.index, 0);
    EXPECT_TRUE(stored.untrusted);
    EXPECT_EQ(stored.problem, "config.cfg: es de otro usuario (pedro); no se tiene en cuenta y se usa COM 1");
    EXPECT_EQ(writePortIndex(files, "config.cfg", 1), "config.cfg: es de otro usuario (pedro)");
    EXPECT_EQ(files.files["config.cfg"], " 3 \r\n");
}
