#include "FileReadingSupport.h"
#include "PosixFileSupport.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/SettingsFolder.h"
#include "session/RaceLog.h"
#include "storage/IdListFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvanel;
using namespace orvanel::test;

namespace {

using Names = std::vector<std::string>;

// Reads the file at path as the program does.
Read readAll(const std::string& path, FileOwners owners, std::size_t maxBytes, std::size_t stopAfter = SIZE_MAX)
{
    PosixFiles files;
    return test::readAll(files, path, owners, maxBytes, stopAfter);
}

mode_t modeOf(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
}

} // namespace

TEST(PosixFiles, ReadsAsFarAsAskedAndNoFurther)
{
    TemporaryFolder dir;
    std::string bytes;
    for (int i = 0; bytes.size() < 200 * 1024; ++i)
        bytes += std::to_string(i) + ",";
    ASSERT_TRUE(putFile(dir.path("ids.txt"), bytes));
    for (const FileOwners owners : {FileOwners::Anyone, FileOwners::UserOrRoot}) {
        const Read whole = readAll(dir.path("ids.txt"), owners, SIZE_MAX);
        EXPECT_EQ(whole.reading.problem, "");
        EXPECT_EQ(joined(whole.pieces), bytes);
        EXPECT_EQ(joined(readAll(dir.path("ids.txt"), owners, 100).pieces), bytes.substr(0, 100));
        EXPECT_EQ(readAll(dir.path("ids.txt"), owners, SIZE_MAX, 1).pieces.size(), 1U);
    }

    // A gigabyte that costs no disk: the twelve IDs, then a hole that reads as zero bytes.
    ASSERT_TRUE(putFile(dir.path("huge.txt"), "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n"));
    std::filesystem::resize_file(dir.path("huge.txt"), 1ULL << 30);
    PosixFiles files;
    long long before = bytesReadSoFar();
    const IdListRead list = readIdList(files, dir.path("huge.txt"));
    EXPECT_EQ(list.problem, "");
    EXPECT_EQ(list.ids[11], "12");
    EXPECT_LT(bytesReadSoFar() - before, 1024 * 1024);

    // A file of blanks is refused after a bounded read.
    ASSERT_TRUE(putFile(dir.path("blanks.txt"), "5\r\n" + std::string(8 << 20, ' ')));
    before = bytesReadSoFar();
    EXPECT_EQ(readIdList(files, dir.path("blanks.txt")).problem,
              dir.path("blanks.txt") + ": no es una lista de IDs: más de 2 MiB sin completar los 12 IDs");
    EXPECT_LT(bytesReadSoFar() - before, 3 * 1024 * 1024);
}

TEST(PosixFiles, ReadsOnlyOrdinaryFiles)
{
    TemporaryFolder dir;
    std::filesystem::create_directory(dir.path("folder"));
    std::filesystem::create_symlink(dir.path("gone"), dir.path("dangling"));
    ASSERT_EQ(::mkfifo(dir.path("pipe").c_str(), 0600), 0);
    const struct
    {
        std::string path;
        std::string problem;
        bool missing;
    } cases[] = {
        {dir.path("missing.txt"), dir.path("missing.txt") + ": no existe", true},
        {dir.path("dangling"), dir.path("dangling") + ": no existe", true},
        {dir.path("nowhere/ids.txt"), dir.path("nowhere/ids.txt") + ": no existe", true},
        {dir.path("folder"), dir.path("folder") + ": es una carpeta", false},
        // Neither a device nor a pipe without a writer holds the reader up.
        {"/dev/null", "/dev/null: no es un archivo", false},
        {dir.path("pipe"), dir.path("pipe") + ": no es un archivo", false},
    };
    for (const auto& c : cases) {
        for (const FileOwners owners : {FileOwners::Anyone, FileOwners::UserOrRoot}) {
            SCOPED_TRACE(c.path + (owners == FileOwners::Anyone ? " (anyone's)" : " (the user's)"));
            const Read read = readAll(c.path, owners, SIZE_MAX);
            EXPECT_EQ(read.reading.problem, c.problem);
            EXPECT_EQ(read.reading.missing, c.missing);
            EXPECT_FALSE(read.reading.untrusted);
            EXPECT_TRUE(read.pieces.empty());
        }
    }
}

TEST(PosixFiles, ReplacedFileHoldsExactlyTheNewContents)
{
    TemporaryFolder dir;
    const std::string path = dir.path("config.cfg");
    ASSERT_TRUE(putFile(path, "5\r\nleft over from before, longer than the new line\r\n"));
    PosixFiles files;
    for (const FileOwners owners : {FileOwners::Anyone, FileOwners::UserOrRoot}) {
        ASSERT_EQ(files.replace(path, " 5 \r\n", owners), "");
        EXPECT_EQ(contentsOf(path), " 5 \r\n");
    }
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(dir.names(), Names{"config.cfg"});
}

TEST(PosixFiles, FailedReplaceChangesNothing)
{
    TemporaryFolder dir;
    std::filesystem::create_directory(dir.path("folder"));
    ASSERT_TRUE(putFile(dir.path("ids.txt"), "1\r\n2\r\n"));
    PosixFiles files;
    EXPECT_EQ(files.replace(dir.path("folder"), "1", FileOwners::Anyone), dir.path("folder") + ": es una carpeta");
    EXPECT_EQ(files.replace(dir.path("nowhere/ids.txt"), "1", FileOwners::UserOrRoot),
              dir.path("nowhere/ids.txt") + ": no existe");
    {
        TinyFileSizeLimit fullDisk;
        EXPECT_NE(files.replace(dir.path("ids.txt"), "5\r\n6\r\n7\r\n", FileOwners::Anyone), "");
    }
    EXPECT_EQ(contentsOf(dir.path("ids.txt")), "1\r\n2\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("folder")));
    EXPECT_EQ(dir.names(), (Names{"folder", "ids.txt"}));
    if (::geteuid() != 0) {
        std::filesystem::permissions(dir.path(),
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_EQ(files.replace(dir.path("new.txt"), "1", FileOwners::Anyone),
                  dir.path("new.txt") + ": sin permiso de acceso");
        std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    }
}

TEST(PosixFiles, ReplacingKeepsLinkAndPermissions)
{
    TemporaryFolder dir;
    ASSERT_TRUE(putFile(dir.path("real.txt"), "old\r\n"));
    ASSERT_EQ(::chmod(dir.path("real.txt").c_str(), 0640), 0);
    std::filesystem::create_symlink("real.txt", dir.path("link.txt"));
    PosixFiles files;
    ASSERT_EQ(files.replace(dir.path("link.txt"), "9\r\n", FileOwners::Anyone), "");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("link.txt")));
    EXPECT_EQ(contentsOf(dir.path("real.txt")), "9\r\n");
    EXPECT_EQ(modeOf(dir.path("real.txt")), mode_t(0640));

    // A new file gets what the umask allows.
    const mode_t mask = ::umask(022);
    EXPECT_EQ(files.replace(dir.path("new.txt"), "1\r\n", FileOwners::Anyone), "");
    ::umask(mask);
    EXPECT_EQ(modeOf(dir.path("new.txt")), mode_t(0644));
}

TEST(PosixFiles, LogGrowsByWholeLinesUnderOneHeader)
{
    TemporaryFolder dir;
    const std::string path = dir.path("carrera.csv");
    PosixFiles files;
    for (const char* line : {"a\r\n", "b\r\n"}) {
        // A new run appends to the same file: the header stays the first line only.
        EXPECT_EQ(files.openLog(path, RaceLog::kHeader)->append(line), "");
    }
    EXPECT_EQ(contentsOf(path), std::string(RaceLog::kHeader) + "a\r\nb\r\n");

    std::filesystem::create_directory(dir.path("folder"));
    EXPECT_EQ(files.openLog(dir.path("folder"), RaceLog::kHeader)->append("a\r\n"),
              dir.path("folder") + ": es una carpeta");
}

TEST(PosixFiles, FullDiskLeavesWholeLinesAndTheLogSaysWhatIsMissing)
{
    TemporaryFolder dir;
    const std::string path = dir.path("carrera.csv");
    const auto file = PosixFiles().openLog(path, RaceLog::kHeader);
    std::int64_t now = 1796655903120;
    std::vector<std::string> reports;
    RaceLog log(
        *file,
        [&now] {
            return WallTime{now += 1000, 3600};
        },
        [&reports](const std::string& p) { reports.push_back(p); });
    log.event(logText::kConnected);
    const std::string before = contentsOf(path);
    {
        // The disk fills in the middle of the next line: the kernel writes what fits.
        TinyFileSizeLimit fullDisk(before.size() + 10);
        log.passing({1729, 2, 2, "{F2}", logText::kTyped});
        log.passing({2130, 3, 3, "{F3}", logText::kTyped});
        EXPECT_EQ(contentsOf(path), before);
    }
    log.event(logText::kDetectionOff);
    EXPECT_EQ(reports, std::vector<std::string>{path + ": el archivo ha llegado al tamaño máximo"});
    EXPECT_EQ(contentsOf(path), std::string(RaceLog::kHeader) +
                                    "2026-12-07T16:05:04.120+01:00,,,,,connected\r\n"
                                    "2026-12-07T16:05:07.120+01:00,,,,,2 lines could not be written\r\n"
                                    "2026-12-07T16:05:07.120+01:00,,,,,detection off\r\n");

    // A new file that cannot take its header and first line has neither.
    {
        TinyFileSizeLimit fullDisk;
        EXPECT_NE(PosixFiles().openLog(dir.path("full.csv"), RaceLog::kHeader)->append("a\r\n"), "");
    }
    EXPECT_EQ(contentsOf(dir.path("full.csv")), "");
}

// Where a desktop start keeps its files, following the XDG base directory rules.
TEST(PosixFiles, SettingsFolderPath)
{
    const struct
    {
        const char* xdgConfigHome;
        const char* home;
        const char* folder;
    } cases[] = {
        {"/c", "/h", "/c/orvanel"},       {nullptr, "/h", "/h/.config/orvanel"},
        {"", "/h", "/h/.config/orvanel"}, {"conf", "/h", "/h/.config/orvanel"}, // relative: ignored
        {nullptr, nullptr, ""},           {nullptr, "h", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.xdgConfigHome ? c.xdgConfigHome : "(unset)") + " " + (c.home ? c.home : "(unset)"));
        EXPECT_EQ(settingsFolderPath(c.xdgConfigHome, c.home), c.folder);
    }
}

TEST(PosixFiles, SettingsFolderMadeOnFirstStart)
{
    TemporaryFolder dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = settingsFolderPath(nullptr, dir.path().c_str());
    PosixFiles files;
    ASSERT_EQ(files.makeFolder(folder), "");
    struct stat status
    {
    };
    ASSERT_EQ(::stat(folder.c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 077, 0U);
    EXPECT_EQ(files.makeFolder(folder), ""); // there already

    ASSERT_TRUE(putFile(dir.path("file"), ""));
    EXPECT_EQ(files.makeFolder(dir.path("file/orvanel")), dir.path("file") + ": no es una carpeta");
    EXPECT_NE(files.makeFolder({}), "");
}
