#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvanel {

// The settings store in which the system-information tool is looked up: keys under a root, each
// holding named values of a type. Status codes are those of the store: 0 is success.
using RegKey = std::uint32_t;
using RegStatus = std::int32_t;

constexpr RegKey kLocalMachine = 0x80000002;

constexpr RegStatus kRegSuccess = 0;
constexpr RegStatus kRegNotFound = 2;
constexpr RegStatus kRegAccessDenied = 5;
constexpr RegStatus kRegInvalidHandle = 6;
constexpr RegStatus kRegMoreData = 234;

// Access masks: reading is read-control, query-value, enumerate-sub-keys and notify. Set-value,
// create-sub-key and create-link are the rights an ordinary user is refused on machine-wide keys.
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWriteRights = 0x00026;

// Value types.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;

class Registry
{
public:
    struct Opened
    {
        RegStatus status = kRegNotFound;
        RegKey key = 0; // 0 unless the key was opened
    };

    struct Queried
    {
        RegStatus status = kRegNotFound;
        std::uint32_t type = 0;
        std::uint32_t size = 0; // bytes written into the buffer
    };

    virtual ~Registry() = default;

    virtual Opened RegOpenKeyExA(RegKey root, const std::string& keyName, std::uint32_t options,
                                 std::uint32_t access) = 0;
    // Copies the value into buffer, which keeps its size: a value longer than the buffer fails
    // with kRegMoreData.
    virtual Queried RegQueryValueExA(RegKey key, const std::string& valueName, std::vector<char>& buffer) = 0;
    virtual void RegCloseKey(RegKey key) = 0;
};

} // namespace orvanel
