#include "platform/windows/WinRegistry.h"

#include "platform/windows/WideText.h"

#include <algorithm>
#include <windows.h>

namespace orvanel {

namespace {

// The roots are the sign-extended codes 0x80000000 (HKEY_CLASSES_ROOT) to 0x80000005
// (HKEY_CURRENT_CONFIG).
constexpr RegKey kFirstRoot = 0x80000000;
constexpr RegKey kLastRoot = 0x80000005;

bool isText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

} // namespace

WinRegistry::~WinRegistry()
{
    for (const auto& [key, handle] : m_open)
        ::RegCloseKey(static_cast<HKEY>(handle));
}

void* WinRegistry::handleOf(RegKey key) const
{
    if (key >= kFirstRoot && key <= kLastRoot)
        return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(key)));
    const auto open = m_open.find(key);
    return open == m_open.end() ? nullptr : open->second;
}

Registry::Opened WinRegistry::RegOpenKeyExA(RegKey root, const std::string& keyName, std::uint32_t options,
                                            std::uint32_t access)
{
    if (access & ~(kKeyRead | KEY_WOW64_64KEY | KEY_WOW64_32KEY))
        return {kRegAccessDenied, 0};
    void* const parent = handleOf(root);
    if (parent == nullptr)
        return {kRegInvalidHandle, 0};
    HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExW(static_cast<HKEY>(parent), toWide(keyName).c_str(), options, access, &opened);
    if (status != ERROR_SUCCESS)
        return {static_cast<RegStatus>(status), 0};
    const RegKey key = m_next++;
    m_open.emplace(key, opened);
    return {kRegSuccess, key};
}

Registry::Queried WinRegistry::RegQueryValueExA(RegKey key, const std::string& valueName, std::vector<char>& buffer)
{
    void* const handle = handleOf(key);
    if (handle == nullptr)
        return {kRegInvalidHandle, 0, 0};
    const std::wstring name = toWide(valueName);
    DWORD type = 0;
    std::vector<BYTE> stored;
    LONG status = ERROR_MORE_DATA;
    // The value may grow between asking its size and reading it.
    while (status == ERROR_MORE_DATA) {
        DWORD size = 0;
        status = ::RegQueryValueExW(static_cast<HKEY>(handle), name.c_str(), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS)
            break;
        stored.resize(size);
        status = ::RegQueryValueExW(static_cast<HKEY>(handle), name.c_str(), nullptr, &type, stored.data(), &size);
        stored.resize(size);
    }
    if (status != ERROR_SUCCESS)
        return {static_cast<RegStatus>(status), 0, 0};

    std::string bytes(stored.begin(), stored.end());
    if (isText(type)) {
        std::wstring text(stored.size() / sizeof(wchar_t), L'\0');
        std::copy(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(text.size() * sizeof(wchar_t)),
                  reinterpret_cast<BYTE*>(text.data()));
        // Stored with its terminating zero as a rule, but not always: it is given one either way.
        if (text.empty() || text.back() != L'\0')
            text.push_back(L'\0');
        bytes = toUtf8(text);
    }
    const auto size = static_cast<std::uint32_t>(bytes.size());
    if (bytes.size() > buffer.size())
        return {kRegMoreData, static_cast<std::uint32_t>(type), size};
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    return {kRegSuccess, static_cast<std::uint32_t>(type), size};
}

void WinRegistry::RegCloseKey(RegKey key)
{
    const auto open = m_open.find(key);
    if (open == m_open.end())
        return;
    ::RegCloseKey(static_cast<HKEY>(open->second));
    m_open.erase(open);
}

} // namespace orvanel
