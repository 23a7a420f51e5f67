#pragma once

#include "system/FileTest.h"
#include "system/ProgramLauncher.h"
#include "system/Registry.h"
#include "system/UserNotice.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orvanel::test {

// A settings store holding the values the test puts in it. Like an ordinary user's machine it
// refuses write rights; it records every key asked for and every handle left open.
class FakeRegistry : public Registry
{
public:
    struct Value
    {
        std::uint32_t type;
        std::string bytes;
    };
    struct OpenCall
    {
        RegKey root;
        std::string keyName;
        std::uint32_t options;
        std::uint32_t access;
    };

    void addKey(const std::string& keyName) { m_keys[keyName]; }
    void setValue(const std::string& keyName, const std::string& valueName, Value value)
    {
        m_keys[keyName][valueName] = std::move(value);
    }

    Opened RegOpenKeyExA(RegKey root, const std::string& keyName, std::uint32_t options, std::uint32_t access) override
    {
        opens.push_back({root, keyName, options, access});
        if (root != kLocalMachine || !m_keys.count(keyName))
            return {kRegNotFound, 0};
        if (access & kKeyWriteRights)
            return {kRegAccessDenied, 0};
        const RegKey key = m_nextKey++;
        m_open[key] = keyName;
        return {kRegSuccess, key};
    }

    Queried RegQueryValueExA(RegKey key, const std::string& valueName, std::vector<char>& buffer) override
    {
        if (!m_open.count(key))
            return {kRegInvalidHandle, 0, 0};
        const auto& values = m_keys[m_open[key]];
        const auto found = values.find(valueName);
        if (found == values.end())
            return {kRegNotFound, 0, 0};
        const Value& value = found->second;
        const auto size = static_cast<std::uint32_t>(value.bytes.size());
        if (size > buffer.size())
            return {kRegMoreData, value.type, size};
        std::copy(value.bytes.begin(), value.bytes.end(), buffer.begin());
        return {kRegSuccess, value.type, size};
    }

    void RegCloseKey(RegKey key) override { m_open.erase(key); }

    std::size_t keysLeftOpen() const { return m_open.size(); }

    std::vector<OpenCall> opens;

private:
    std::map<std::string, std::map<std::string, Value>> m_keys;
    std::map<RegKey, std::string> m_open;
    RegKey m_nextKey = 0x100;
};

class FakeFileTest : public FileTest
{
public:
    bool isOrdinaryFile(const std::string& path) override { return files.count(path) > 0; }
    std::set<std::string> files;
};

// Starts only the programs the test says are installed, and records every attempt.
class FakeLauncher : public ProgramLauncher
{
public:
    bool launch(const std::string& command) override
    {
        attempts.push_back(command);
        return installed.count(command) > 0;
    }
    std::set<std::string> installed;
    std::vector<std::string> attempts;
};

class RecordingNotice : public UserNotice
{
public:
    void show(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

} // namespace orvanel::test
