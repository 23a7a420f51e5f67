#include "fakes/MemoryFiles.h"
#include "storage/IdListFile.h"

#include <gtest/gtest.h>

using namespace orvanel;
using namespace orvanel::test;

namespace {

std::string repeated(std::string_view text, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

IdList idList(std::initializer_list<std::string> first)
{
    IdList ids;
    std::copy(first.begin(), first.end(), ids.begin());
    return ids;
}

const IdList kOneToTwelve = idList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"});

// The rows of bytes parsed at once, and read from a file handed over in pieces of every size that
// can split a field, a line end or a character: the same either way.
std::vector<IdListRead> readEveryWay(const std::string& bytes)
{
    std::vector<IdListRead> reads{parseIdList(bytes, "ids.txt")};
    for (const std::size_t chunk : {1, 2, 5, 1 << 20}) {
        MemoryFiles files;
        files.files["ids.txt"] = bytes;
        files.chunkBytes = chunk;
        reads.push_back(readIdList(files, "ids.txt"));
    }
    return reads;
}

} // namespace

TEST(IdListFile, Reads)
{
    const struct
    {
        const char* name;
        std::string bytes;
        IdList ids;
    } cases[] = {
        {"five IDs then seven empty lines", "7\r\n12\r\n3\r\n44\r\n5\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n",
         idList({"7", "12", "3", "44", "5"})},
        {"twelve on one line", "1,2,3,4,5,6,7,8,9,10,11,12\r\n", kOneToTwelve},
        {"more than twelve lines", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n", kOneToTwelve},
        {"a comma splits a line and shifts the rest", "1,2\r\n3\r\n", idList({"1", "2", "3"})},
        {"blanks around a plain field", " 12\r\n\t7 \t\r\n", idList({"12", "7"})},
        {"CR, LF and CR LF line ends", "1\r2\n\n3\r\n\r4", idList({"1", "2", "", "3", "", "4"})},
        {"empty fields between commas", ",,5,\r\n6", idList({"", "", "5", "", "6"})},
        {"quoted", "\"1,2\"\r\n\" 3 \"\r\n  \"4\"\r\n", idList({"1,2", " 3 ", "4"})},
        {"doubled quote inside quotes", "\"a\"\"b\"\r\n\"\"\"\"\r\n\"\"\r\n9", idList({"a\"b", "\"", "", "9"})},
        {"text after the closing quote is dropped", "\"x\"junk,7\r\n8", idList({"x", "7", "8"})},
        {"quote inside a plain field", "a\"b\r\nc", idList({"a\"b", "c"})},
        {"line end inside quotes", "\"a\r\nb\"\r\nc", idList({"a\r\nb", "c"})},
        {"unclosed quote runs to the end", "\"ab\r\ncd", idList({"ab\r\ncd"})},
        {"fewer than twelve, no last line end", "7\r\n8", idList({"7", "8"})},
        {"empty file", "", IdList()},
        {"UTF-8", "ñandú\r\n€", idList({"ñandú", "€"})},
        {"UTF-8 with a byte order mark",
         "\xEF\xBB\xBF"
         "7\r\n8",
         idList({"7", "8"})},
        {"a byte order mark cut short is text", "\xEF\xBB", idList({"ï»"})},
        {"Windows-1252",
         "\xF1"
         "and\xFA\r\n\x80\r\n\xEF\xBB",
         idList({"ñandú", "€", "ï»"})},
        {"tab inside an ID", "a\tb\r\n", idList({"a\tb"})},
        {"anything after the twelfth ID", std::string("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n\x00\x1A", 29),
         kOneToTwelve},
        // Three bytes a character: exactly as many bytes as a field may have.
        {"longest ID", "1\r\n" + repeated("€", 32767), idList({"1", repeated("€", 32767)})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const IdListRead& read : readEveryWay(c.bytes)) {
            EXPECT_EQ(read.problem, "");
            EXPECT_EQ(read.ids, c.ids);
        }
    }
}

// Files that cannot be lists of IDs load nothing at all, and say why.
TEST(IdListFile, RefusesWhatCannotBeAList)
{
    const auto control = [](int row, const char* code) {
        return "no es una lista de IDs: el ID de la fila " + std::to_string(row) + " tiene un carácter de control (" +
               code + ")";
    };
    const auto tooLong = [](int row) {
        return "el ID de la fila " + std::to_string(row) +
               " tiene más de 32767 caracteres, más de los que caben en su casilla";
    };
    const struct
    {
        const char* name;
        std::string bytes;
        std::string problem; // after "ids.txt: "
    } cases[] = {
        {"picture", std::string("\x89PNG\r\n\x1A\n\x00\x00\x00\rIHDR", 16), control(2, "U+001A")},
        {"NUL inside quotes", std::string("7\r\n\"8\x00\"", 6), control(2, "U+0000")},
        {"escape", "\x1B[1m", control(1, "U+001B")},
        {"delete", "1,2\x7F", control(2, "U+007F")},
        {"UTF-8 control", "ñ\r\n\xC2\x85", control(2, "U+0085")},
        {"Windows-1252 byte it leaves undefined", "\xF1\r\n\x81", control(2, "U+0081")},
        {"one character too many", "1\r\n" + std::string(32768, '7'), tooLong(2)},
        {"too many in two-byte characters", repeated("ñ", 32768), tooLong(1)},
        // Four bytes make two of the box's characters.
        {"too many beyond U+FFFF", repeated("\xF0\x9F\x8F\x81", 16384), tooLong(1)},
        {"endless field", std::string(200 * 1024, '7'), tooLong(1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const IdListRead& read : readEveryWay(c.bytes)) {
            EXPECT_EQ(read.problem, "ids.txt: " + c.problem);
            EXPECT_EQ(read.ids, IdList());
        }
    }
}

TEST(IdListFile, WhatIsSavedLoadsBack)
{
    for (const char* text : {"1,2", " 12", "12 ", "\t1", "\"7", "\"", "a\"b", "a\"b,c", "\"a\",b", "two\r\nlines",
                             "ñandú €", "  ", "x,", ",", "\"\"", "&H1F",
                             "\xEF\xBB\xBF"
                             "7"}) {
        SCOPED_TRACE(text);
        MemoryFiles files;
        const IdList saved{text, "1", text, "3", "", text, "6", "7", "8", "9", "10", text};
        ASSERT_EQ(writeIdList(files, "ids.txt", saved), "");
        const IdListRead loaded = readIdList(files, "ids.txt");
        EXPECT_EQ(loaded.problem, "");
        EXPECT_EQ(loaded.ids, saved);
    }
}

TEST(IdListFile, PlainTextsAreWrittenAsTheyAre)
{
    // Only texts that would not read back are quoted, so a list of plain IDs is what any reader expects.
    EXPECT_EQ(formatIdList(idList({"7", "12", "", "a\"b", "1 2", "-3", "&H1F", "ñ"})),
              "7\r\n12\r\n\r\na\"b\r\n1 2\r\n-3\r\n&H1F\r\nñ\r\n\r\n\r\n\r\n\r\n");
    EXPECT_EQ(formatIdList(idList({"1,2", " 3", "\"q\"x"})).substr(0, 25),
              "\"1,2\"\r\n\" 3\"\r\n\"\"\"q\"\"x\"\r\n\r\n");
}

TEST(IdListFile, FailuresChangeNothing)
{
    MemoryFiles files;
    EXPECT_EQ(readIdList(files, "missing.txt").problem, "missing.txt: no existe");
    files.files["folder"] = "1\r\n";
    files.problems["folder"] = "folder: es una carpeta";
    const IdListRead folder = readIdList(files, "folder");
    EXPECT_EQ(folder.problem, "folder: es una carpeta");
    EXPECT_EQ(folder.ids, IdList());
    EXPECT_EQ(writeIdList(files, "folder", idList({"9"})), "folder: es una carpeta");
    EXPECT_EQ(files.files["folder"], "1\r\n");

    // What would not load back as it is is not saved.
    EXPECT_EQ(writeIdList(files, "unsaved.txt", idList({"1", "", std::string(32768, 'x')})),
              "unsaved.txt: el ID de la fila 3 tiene más de 32767 caracteres, más de los que caben en su casilla");
    EXPECT_EQ(writeIdList(files, "unsaved.txt", idList({"a\x01"})),
              "unsaved.txt: el ID de la fila 1 tiene un carácter de control (U+0001)");
    EXPECT_EQ(files.files.count("unsaved.txt"), 0U);
}

TEST(IdListFile, ListsOfOtherUsersAreUsed)
{
    // A list is a file the user chose: whose it is does not matter, unlike a settings file's.
    MemoryFiles files;
    files.files["equipo.txt"] = "7\r\n";
    files.strangers["equipo.txt"] = "pedro";
    EXPECT_EQ(readIdList(files, "equipo.txt").ids, idList({"7"}));
    EXPECT_EQ(writeIdList(files, "equipo.txt", idList({"8"})), "");
    EXPECT_EQ(files.files["equipo.txt"].substr(0, 3), "8\r\n");
}

TEST(IdListFile, HugeFilesAreNotReadWhole)
{
    MemoryFiles files;
    files.chunkBytes = 64 * 1024;
    files.files["huge.txt"] =
        "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n" + std::string(16 << 20, '\0');
    const IdListRead list = readIdList(files, "huge.txt");
    EXPECT_EQ(list.problem, "");
    EXPECT_EQ(list.ids, kOneToTwelve);
    EXPECT_LT(files.bytesRead, 1U << 20);

    // Blanks are skipped, not kept, and yet a file of them is refused after a bounded read.
    files.bytesRead = 0;
    files.files["blanks.txt"] = "5\r\n" + std::string(8 << 20, ' ');
    const IdListRead refused = readIdList(files, "blanks.txt");
    EXPECT_EQ(refused.problem, "blanks.txt: no es una lista de IDs: más de 2 MiB sin completar los 12 IDs");
    EXPECT_EQ(refused.ids, IdList());
    EXPECT_LT(files.bytesRead, 3U << 20);
}
