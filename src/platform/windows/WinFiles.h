#pragma once

#include "system/Files.h"

namespace orvanel {

// The program's files on Windows, through the wide API: paths are UTF-8, converted to UTF-16.
//
// FileOwners makes no difference here. The planted files and links it guards against are a matter of
// POSIX folders shared between users; on Windows a file the user can open is the user's, since the
// folder's and the file's access lists already decide who may put it there.
class WinFiles : public Files
{
public:
    FileReading read(const std::string& path, FileOwners owners, std::size_t maxBytes,
                     const std::function<bool(std::string_view bytes)>& take) override;
    FileProblem replace(const std::string& path, std::string_view contents, FileOwners owners) override;
    std::unique_ptr<LineSink> openLog(const std::string& path, const std::string& header) override;
    // %APPDATA%\Orvanel: the user's roaming application data, which follows a roaming profile.
    std::string settingsFolder() override;
    FileProblem makeFolder(const std::string& path) override;
};

} // namespace orvanel
