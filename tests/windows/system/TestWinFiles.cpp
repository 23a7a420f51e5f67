#include "FileReadingSupport.h"
#include "WinTestFolder.h"
#include "platform/windows/WinFiles.h"
#include "session/RaceLog.h"
#include "storage/IdListFile.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace orvanel;
using namespace orvanel::test;

namespace {

using Names = std::vector<std::string>;

// Reads the file at path as the program does.
Read readAll(const std::string& path, std::size_t maxBytes, std::size_t stopAfter = SIZE_MAX)
{
    WinFiles files;
    return test::readAll(files, path, FileOwners::UserOrRoot, maxBytes, stopAfter);
}

// Another program's handle on the file, shared for reading only, as an editor or a spreadsheet holds one.
class HeldOpen
{
public:
    explicit HeldOpen(const std::string& path)
        : m_handle(::CreateFileW(fsPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr))
    {}
    ~HeldOpen() { release(); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    void release()
    {
        if (isOpen())
            ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};

} // namespace

// Saving over the same name twice, under ASCII and non-ASCII names: the second list replaces the
// first whole, byte for byte, reads back as saved, and no temporary file is left beside it.
TEST(WinFiles, IdListSavedTwiceOverTheSameName)
{
    const IdList first{"1729", "2130", "-5", "", "", "", "", "", "", "", "", "12"};
    const IdList second{"7", "", "", "", "", "", "", "", "", "", "", ""};
    WinFiles files;
    for (const std::string name : {"ids.txt", "pilotos ñ €.txt", "año\\carrera €.txt"}) {
        SCOPED_TRACE(name);
        WinTestFolder dir;
        const std::string path = dir.path(name);
        const std::filesystem::path folder = fsPath(path).parent_path();
        std::filesystem::create_directories(folder);
        for (const IdList& ids : {first, second}) {
            ASSERT_EQ(writeIdList(files, path, ids), "");
            EXPECT_EQ(contentsOf(path), formatIdList(ids));
            const IdListRead read = readIdList(files, path);
            EXPECT_EQ(read.problem, "");
            EXPECT_EQ(read.ids, ids);
        }
        EXPECT_EQ(contentsOf(path), "7\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    }
}

// Files are binary both ways: no CR added before LF, none taken away, and no end at Ctrl-Z or NUL.
TEST(WinFiles, BytesKeptAsTheyAre)
{
    WinTestFolder dir;
    const std::string bytes("1\r\n2\n3\r4\x1a\r\n5\0"
                            "6\r\r\n",
                            15);
    WinFiles files;
    ASSERT_EQ(files.replace(dir.path("bytes.txt"), bytes, FileOwners::Anyone), "");
    EXPECT_EQ(contentsOf(dir.path("bytes.txt")), bytes);
    EXPECT_EQ(joined(readAll(dir.path("bytes.txt"), SIZE_MAX).pieces), bytes);
}

TEST(WinFiles, ReadsAsFarAsAskedAndNoFurther)
{
    WinTestFolder dir;
    std::string bytes;
    for (int i = 0; bytes.size() < 200 * 1024; ++i)
        bytes += std::to_string(i) + ",";
    ASSERT_TRUE(putFile(dir.path("ids.txt"), bytes));
    const Read whole = readAll(dir.path("ids.txt"), SIZE_MAX);
    EXPECT_EQ(whole.reading.problem, "");
    EXPECT_GT(whole.pieces.size(), 1U);
    EXPECT_EQ(joined(whole.pieces), bytes);
    EXPECT_EQ(joined(readAll(dir.path("ids.txt"), 100).pieces), bytes.substr(0, 100));
    EXPECT_EQ(readAll(dir.path("ids.txt"), SIZE_MAX, 1).pieces.size(), 1U);
}

TEST(WinFiles, ReadsOnlyOrdinaryFiles)
{
    WinTestFolder dir;
    std::filesystem::create_directory(fsPath(dir.path("carpeta ñ")));
    const struct
    {
        std::string path;
        std::string problem;
        bool missing;
    } cases[] = {
        {dir.path("missing.txt"), dir.path("missing.txt") + ": no existe", true},
        {dir.path("nowhere\\ids.txt"), dir.path("nowhere\\ids.txt") + ": no existe", true},
        {"", ": no existe", true},
        {dir.path("carpeta ñ"), dir.path("carpeta ñ") + ": es una carpeta", false},
        {"NUL", "NUL: no es un archivo", false},
        {dir.path("bad?name.txt"), dir.path("bad?name.txt") + ": el nombre no es válido", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Read read = readAll(c.path, SIZE_MAX);
        EXPECT_EQ(read.reading.problem, c.problem);
        EXPECT_EQ(read.reading.missing, c.missing);
        EXPECT_FALSE(read.reading.untrusted);
        EXPECT_TRUE(read.pieces.empty());
    }
}

// Whatever stops a save, the old file stays as it was and nothing is left beside it.
TEST(WinFiles, FailedReplaceKeepsTheOldFile)
{
    WinTestFolder dir;
    const std::string old = "1\r\n2\r\n";
    ASSERT_TRUE(putFile(dir.path("ids.txt"), old));
    ASSERT_TRUE(putFile(dir.path("solo lectura.txt"), old));
    ASSERT_TRUE(::SetFileAttributesW(fsPath(dir.path("solo lectura.txt")).c_str(), FILE_ATTRIBUTE_READONLY));
    std::filesystem::create_directory(fsPath(dir.path("folder")));
    HeldOpen held(dir.path("ids.txt"));
    ASSERT_TRUE(held.isOpen());

    const struct
    {
        std::string path;
        std::string problem;
    } cases[] = {
        {dir.path("ids.txt"), dir.path("ids.txt") + ": otro programa lo tiene abierto"},
        {dir.path("solo lectura.txt"), dir.path("solo lectura.txt") + ": sin permiso de acceso"},
        {dir.path("folder"), dir.path("folder") + ": es una carpeta"},
        {dir.path("nowhere\\ids.txt"), dir.path("nowhere\\ids.txt") + ": no existe"},
        {dir.path("folder\\"), dir.path("folder\\") + ": no existe"},
    };
    WinFiles files;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(files.replace(c.path, "5\r\n6\r\n7\r\n", FileOwners::Anyone), c.problem);
    }
    held.release();
    EXPECT_EQ(contentsOf(dir.path("ids.txt")), old);
    EXPECT_EQ(contentsOf(dir.path("solo lectura.txt")), old);
    EXPECT_TRUE(std::filesystem::is_directory(fsPath(dir.path("folder"))));
    EXPECT_TRUE(std::filesystem::is_empty(fsPath(dir.path("folder"))));
    EXPECT_EQ(dir.names(), (Names{"folder", "ids.txt", "solo lectura.txt"}));

    // Once the other program lets go, the save goes through.
    EXPECT_EQ(files.replace(dir.path("ids.txt"), "5\r\n", FileOwners::Anyone), "");
    EXPECT_EQ(contentsOf(dir.path("ids.txt")), "5\r\n");
}

TEST(WinFiles, LogGrowsByWholeLinesUnderOneHeader)
{
    WinTestFolder dir;
    const std::string path = dir.path("carrera ñ.csv");
    WinFiles files;
    for (const char* line : {"a\r\n", "b\r\n"}) {
        // A new run appends to the same file: the header stays the first line only.
        EXPECT_EQ(files.openLog(path, RaceLog::kHeader)->append(line), "");
    }
    EXPECT_EQ(contentsOf(path), std::string(RaceLog::kHeader) + "a\r\nb\r\n");

    // An empty file gets the header too.
    ASSERT_TRUE(putFile(dir.path("empty.csv"), ""));
    EXPECT_EQ(files.openLog(dir.path("empty.csv"), RaceLog::kHeader)->append("a\r\n"), "");
    EXPECT_EQ(contentsOf(dir.path("empty.csv")), std::string(RaceLog::kHeader) + "a\r\n");

    std::filesystem::create_directory(fsPath(dir.path("folder")));
    EXPECT_EQ(files.openLog(dir.path("folder"), RaceLog::kHeader)->append("a\r\n"),
              dir.path("folder") + ": es una carpeta");
}

// While another program holds the log without sharing it, each line tries again to open it; the
// lines from then on are kept.
TEST(WinFiles, LogOpensWhenTheFileIsReleased)
{
    WinTestFolder dir;
    const std::string path = dir.path("carrera.csv");
    ASSERT_TRUE(putFile(path, ""));
    const auto log = WinFiles().openLog(path, RaceLog::kHeader);
    {
        const HANDLE locked = ::CreateFileW(fsPath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(locked, INVALID_HANDLE_VALUE);
        EXPECT_EQ(log->append("a\r\n"), path + ": otro programa lo tiene abierto");
        EXPECT_EQ(log->append("b\r\n"), path + ": otro programa lo tiene abierto");
        ::CloseHandle(locked);
    }
    EXPECT_EQ(log->append("c\r\n"), "");
    // Open now, it lets other programs read it meanwhile.
    EXPECT_EQ(contentsOf(path), std::string(RaceLog::kHeader) + "c\r\n");
    EXPECT_EQ(log->append("d\r\n"), "");
    EXPECT_EQ(contentsOf(path), std::string(RaceLog::kHeader) + "c\r\nd\r\n");
}

TEST(WinFiles, SettingsFolderMadeOnFirstStart)
{
    WinFiles files;
    const wchar_t* appData = ::_wgetenv(L"APPDATA");
    ASSERT_NE(appData, nullptr);
    EXPECT_EQ(fsPath(files.settingsFolder()), std::filesystem::path(appData) / "Orvanel");

    WinTestFolder dir;
    const std::string folder = dir.path("Datos de programa\\Orvanel ñ");
    ASSERT_EQ(files.makeFolder(folder), "");
    EXPECT_TRUE(std::filesystem::is_directory(fsPath(folder)));
    EXPECT_EQ(files.makeFolder(folder), "");        // there already
    EXPECT_EQ(files.makeFolder(folder + "\\"), ""); // with a closing separator
    EXPECT_EQ(files.makeFolder(dir.path("a/b/c")), "");
    EXPECT_TRUE(std::filesystem::is_directory(fsPath(dir.path("a\\b\\c"))));

    ASSERT_TRUE(putFile(dir.path("file"), ""));
    EXPECT_EQ(files.makeFolder(dir.path("file\\Orvanel")), dir.path("file") + ": no es una carpeta");
    EXPECT_NE(files.makeFolder({}), "");
}
