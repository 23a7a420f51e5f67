#pragma once

#include "system/FileProblem.h"
#include "system/LineSink.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace orvanel {

// Whose file may be read or replaced.
enum class FileOwners
{
    Anyone,     // whoever may read or write it: a file the user chose
    UserOrRoot, // a settings file, which another user sharing the folder may have planted
};

// How reading a file went.
struct FileReading
{
    bool missing = false;   // there is no such file (problem says so), which a settings file takes as no problem
    FileProblem problem;    // why the file could not be read; empty when it could
    bool untrusted = false; // the file, or a link to it, is another user's: problem says whose
};

// The program's files. Paths are the system's own (bytes, folders separated by '/').
//
// Orvanel may run in a folder other users can write to (a sticky /tmp, a shared race folder), where
// any of them may plant a file or a symbolic link under the names it uses. With FileOwners::UserOrRoot
// only the user it runs as and root are trusted to have made the file and every link that leads to
// it; with FileOwners::Anyone a file of another user's is used, but still never replaced or grown
// through another user's link.
class Files
{
public:
    virtual ~Files() = default;

    // Hands the bytes of the ordinary file at path (not a folder, a device or a pipe) to take, from
    // its start and in pieces of any size, until take answers false, the file ends or maxBytes have
    // been handed: nothing further into the file is read.
    virtual FileReading read(const std::string& path, FileOwners owners, std::size_t maxBytes,
                             const std::function<bool(std::string_view bytes)>& take) = 0;

    // Replaces the file at path with contents: a crash, a full disk or a killed process leaves either
    // the old file or the new one, never a part of either. A new file gets the permissions the user's
    // umask gives; a replaced one keeps its own. Through a symbolic link the file it names is replaced
    // and the link stays.
    virtual FileProblem replace(const std::string& path, std::string_view contents, FileOwners owners) = 0;

    // A log file that only grows, made when its first line comes and headed by header when it is new
    // or empty. Each line goes to its end at once and whole or not at all (a write a full disk cuts
    // short is taken back); while the file cannot be opened, every line tries again.
    virtual std::unique_ptr<LineSink> openLog(const std::string& path, const std::string& header) = 0;

    // Where a desktop start keeps the program's files, as the user's environment names it; empty when
    // it names none.
    virtual std::string settingsFolder() = 0;
    // Creates the folder at path and any missing parent, new ones readable by the user alone. Empty
    // when the folder exists afterwards.
    virtual FileProblem makeFolder(const std::string& path) = 0;
};

} // namespace orvanel
