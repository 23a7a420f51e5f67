#include "platform/sysinfo/ToolPathRegistry.h"

#include "about/SystemInfo.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

namespace {

constexpr RegKey kToolKeyHandle = 1;

} // namespace

const std::vector<std::string>& ToolPathRegistry::systemInfoPrograms()
{
    // Hardware and system viewers first, then the desktops' system monitors.
    static const std::vector<std::string> programs{
        "hardinfo2", "hardinfo", "kinfocenter", "cpu-x", "gnome-system-monitor", "mate-system-monitor"};
    return programs;
}

ToolPathRegistry::ToolPathRegistry(std::string searchPath, ExecutableTest isExecutable)
    : m_searchPath(std::move(searchPath)), m_isExecutable(std::move(isExecutable))
{}

Registry::Opened ToolPathRegistry::RegOpenKeyExA(RegKey root, const std::string& keyName, std::uint32_t,
                                                 std::uint32_t access)
{
    if (root != kLocalMachine || keyName != SystemInfo::kToolKey)
        return {kRegNotFound, 0};
    if (access & kKeyWriteRights)
        return {kRegAccessDenied, 0};
    return {kRegSuccess, kToolKeyHandle};
}

Registry::Queried ToolPathRegistry::RegQueryValueExA(RegKey key, const std::string& valueName,
                                                     std::vector<char>& buffer)
{
    if (key != kToolKeyHandle)
        return {kRegInvalidHandle, 0, 0};
    const std::string tool = valueName == SystemInfo::kToolValue ? findTool() : std::string();
    if (tool.empty())
        return {kRegNotFound, 0, 0};
    // Stored as text with its terminating zero.
    const std::size_t size = tool.size() + 1;
    if (size > buffer.size())
        return {kRegMoreData, kRegSz, static_cast<std::uint32_t>(size)};
    std::copy(tool.begin(), tool.end(), buffer.begin());
    buffer[tool.size()] = '\0';
    return {kRegSuccess, kRegSz, static_cast<std::uint32_t>(size)};
}

std::string ToolPathRegistry::findTool() const
{
    std::vector<std::string> folders;
    for (std::size_t start = 0; start <= m_searchPath.size();) {
        const std::size_t end = std::min(m_searchPath.find(':', start), m_searchPath.size());
        std::string folder = m_searchPath.substr(start, end - start);
        // An empty or relative entry names the current folder, which is whatever the user started from.
        if (!folder.empty() && folder.front() == '/') {
            if (folder.back() != '/')
                folder += '/';
            folders.push_back(std::move(folder));
        }
        start = end + 1;
    }
    for (const std::string& program : systemInfoPrograms())
        for (const std::string& folder : folders)
            if (m_isExecutable(folder + program))
                return folder + program;
    return {};
}

bool isExecutableFile(const std::string& path)
{
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace orvanel
