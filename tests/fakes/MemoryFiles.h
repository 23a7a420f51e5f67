#pragma once

#include "system/Files.h"

#include <map>
#include <set>
#include <string>

namespace orvanel::test {

// The program's files in memory: what is in files can be read, in pieces of chunkBytes; a path in
// problems answers with its problem and changes nothing; a path in strangers is another user's file.
class MemoryFiles : public Files
{
public:
    FileReading read(const std::string& path, FileOwners owners, std::size_t maxBytes,
                     const std::function<bool(std::string_view bytes)>& take) override
    {
        FileReading reading;
        const auto file = files.find(path);
        if (const auto problem = problems.find(path); problem != problems.end()) {
            reading.problem = problem->second;
        } else if (owners == FileOwners::UserOrRoot && strangers.count(path)) {
            reading.problem = refusal(path, owners);
            reading.untrusted = true;
        } else if (file == files.end()) {
            reading.missing = true;
            reading.problem = path + ": no existe";
        }
        if (!reading.problem.empty())
            return reading;
        for (std::string_view rest = std::string_view(file->second).substr(0, maxBytes); !rest.empty();) {
            const std::string_view piece = rest.substr(0, chunkBytes);
            rest.remove_prefix(piece.size());
            bytesRead += piece.size();
            if (!take(piece))
                break;
        }
        return reading;
    }

    FileProblem replace(const std::string& path, std::string_view contents, FileOwners owners) override
    {
        FileProblem problem = refusal(path, owners);
        if (problem.empty())
            files[path] = std::string(contents);
        return problem;
    }

    std::unique_ptr<LineSink> openLog(const std::string& path, const std::string& header) override
    {
        return std::make_unique<Log>(*this, path, header);
    }

    std::string settingsFolder() override { return settingsFolderPath; }

    FileProblem makeFolder(const std::string& path) override
    {
        FileProblem problem = refusal(path, FileOwners::Anyone);
        if (problem.empty())
            folders.insert(path);
        return problem;
    }

    std::map<std::string, std::string> files;
    std::map<std::string, FileProblem> problems;
    std::map<std::string, std::string> strangers; // path -> the other user's name
    std::set<std::string> folders;
    std::string settingsFolderPath;
    std::size_t chunkBytes = 5;
    std::size_t bytesRead = 0; // handed out by read, all files together

private:
    class Log : public LineSink
    {
    public:
        Log(MemoryFiles& files, std::string path, std::string header)
            : m_files(files), m_path(std::move(path)), m_header(std::move(header))
        {}
        FileProblem append(const std::string& line) override
        {
            FileProblem problem = m_files.refusal(m_path, FileOwners::Anyone);
            if (!problem.empty())
                return problem;
            std::string& text = m_files.files[m_path];
            if (text.empty())
                text = m_header;
            text += line;
            return problem;
        }

    private:
        MemoryFiles& m_files;
        std::string m_path;
        std::string m_header;
    };

    FileProblem refusal(const std::string& path, FileOwners owners) const
    {
        if (const auto problem = problems.find(path); problem != problems.end())
            return problem->second;
        if (const auto owner = strangers.find(path); owner != strangers.end() && owners == FileOwners::UserOrRoot)
            return path + ": es de otro usuario (" + owner->second + ")";
        return {};
    }
};

} // namespace orvanel::test
