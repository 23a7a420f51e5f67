#pragma once

#include "system/Files.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace orvanel {

// The ID column of the table, saved as a text file of twelve lines, each an ID text and CR LF.
//
// Read back, the file is a sequence of fields: a field ends at a comma or a line's end (CR, LF or
// CR LF); blanks in front of it are skipped, and so are blanks at the end of a field without
// quotes. A field that starts with a double quote runs to the next lone double quote, commas and
// line ends included; a doubled quote inside stands for one quote, and what follows the closing
// quote up to the field's end is ignored. The first twelve fields are the twelve rows.
//
// Files are written in UTF-8. A file that is not valid UTF-8 is read as Windows-1252, so lists
// written on other systems load as they were meant; a UTF-8 byte order mark is skipped.
//
// A file is refused whole, rows untouched, when it cannot be a list of IDs: a control character
// other than tab, CR and LF (a picture, a program), an ID longer than kMaxIdLength, or more bytes
// than twelve such IDs could fill before the twelfth field ends (a huge file of blanks).
inline constexpr std::size_t kIdListRows = 12;
// The most characters (UTF-16 code units, as the window counts them) an ID box holds. A file with a
// longer ID is not loaded, and such an ID is not saved: either would lose its end without a word.
inline constexpr std::size_t kMaxIdLength = 32767;
using IdList = std::array<std::string, kIdListRows>;

struct IdListRead
{
    IdList ids;          // a row the file has no field for is empty
    FileProblem problem; // when set, the file could not be read and ids holds nothing of it
};

// The file's bytes. Only a text that would not read back as it stands is quoted: one holding a
// comma or a line end, starting with a blank or a double quote, or ending with a blank, and a first
// one starting with a byte order mark.
std::string formatIdList(const IdList& ids);

// The rows in bytes as a file at path would give them.
IdListRead parseIdList(std::string_view bytes, const std::string& path);

// Reads no further into the file than its twelfth field, and never more than a few MiB.
IdListRead readIdList(Files& files, const std::string& path);

// Why ids would not load back from a file at path as they are (an ID too long, or with a control
// character); empty when they would.
FileProblem idListProblem(const IdList& ids, const std::string& path);

// Replaces the file whole (see Files::replace): a failed save leaves the old file as it was. IDs that
// would not load back as they are (see idListProblem) are refused and nothing is written.
FileProblem writeIdList(Files& files, const std::string& path, const IdList& ids);

} // namespace orvanel
