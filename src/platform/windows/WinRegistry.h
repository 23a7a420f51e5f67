#pragma once

#include "system/Registry.h"

#include <map>

namespace orvanel {

// The system registry, read only: keys are opened with read rights at most, whatever is asked, and
// nothing is ever written. Key and value names are UTF-8; text values (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) come back as UTF-8 with their terminating zero, others as stored. Keys are handed out
// as small numbers standing for the system's handles, which do not fit a RegKey on 64-bit Windows;
// keys still open are closed with the registry.
class WinRegistry : public Registry
{
public:
    WinRegistry() = default;
    ~WinRegistry() override;
    WinRegistry(const WinRegistry&) = delete;
    WinRegistry& operator=(const WinRegistry&) = delete;

    Opened RegOpenKeyExA(RegKey root, const std::string& keyName, std::uint32_t options, std::uint32_t access) override;
    Queried RegQueryValueExA(RegKey key, const std::string& valueName, std::vector<char>& buffer) override;
    void RegCloseKey(RegKey key) override;

private:
    // The system's handle of an open key or of a root (HKEY_LOCAL_MACHINE...); null for neither.
    void* handleOf(RegKey key) const;

    std::map<RegKey, void*> m_open;
    RegKey m_next = 1;
};

} // namespace orvanel
