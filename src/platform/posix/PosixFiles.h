#pragma once

#include "system/Files.h"

namespace orvanel {

// The program's files on a POSIX system. A file or link of another user's is told by its owner: only
// the effective user and root are trusted (see followTrustedLinks).
class PosixFiles : public Files
{
public:
    FileReading read(const std::string& path, FileOwners owners, std::size_t maxBytes,
                     const std::function<bool(std::string_view bytes)>& take) override;
    FileProblem replace(const std::string& path, std::string_view contents, FileOwners owners) override;
    std::unique_ptr<LineSink> openLog(const std::string& path, const std::string& header) override;
    // $XDG_CONFIG_HOME/orvanel, else $HOME/.config/orvanel (see settingsFolderPath).
    std::string settingsFolder() override;
    FileProblem makeFolder(const std::string& path) override;
};

} // namespace orvanel
