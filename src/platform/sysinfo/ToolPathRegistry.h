#pragma once

#include "system/Registry.h"

#include <functional>
#include <string>
#include <vector>

namespace orvanel {

// Linux has no settings store of that kind. This one answers the tool's full path, "PATH" under the
// tool's key, with the first system-information program of the list found in a folder of $PATH; the
// key of the tool's folder does not exist. It is read-only: write rights are refused.
class ToolPathRegistry : public Registry
{
public:
    using ExecutableTest = std::function<bool(const std::string& path)>;

    // The programs looked for, in order of preference.
    static const std::vector<std::string>& systemInfoPrograms();

    ToolPathRegistry(std::string searchPath, ExecutableTest isExecutable);

    Opened RegOpenKeyExA(RegKey root, const std::string& keyName, std::uint32_t options, std::uint32_t access) override;
    Queried RegQueryValueExA(RegKey key, const std::string& valueName, std::vector<char>& buffer) override;
    void RegCloseKey(RegKey) override {}

    // The first program of the list in a folder of searchPath (folders separated by ":", tried in
    // order; empty and relative folders are skipped), or "" when there is none.
    std::string findTool() const;

private:
    std::string m_searchPath;
    ExecutableTest m_isExecutable;
};

// Whether path is an ordinary file that this user may execute.
bool isExecutableFile(const std::string& path);

} // namespace orvanel
