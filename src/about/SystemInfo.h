#pragma once

#include "system/FileTest.h"
#include "system/ProgramLauncher.h"
#include "system/Registry.h"
#include "system/UserNotice.h"

#include <string>

namespace orvanel {

// "System Info...": finds the system-information tool through two settings and starts it, or tells
// the user that there is none.
class SystemInfo
{
public:
    enum class KeyValue
    {
        Read,
        NotRead, // key or value missing or refused, or the value is too long
        Failed,  // the store answered with an empty value (or more than it could): nothing more is tried
    };

    // Where the tool is looked up, in this order: its full path, then the folder that holds it.
    static constexpr char kToolKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    static constexpr char kToolValue[] = "PATH";
    static constexpr char kLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
    static constexpr char kLocationValue[] = "MSINFO";
    static constexpr char kToolFile[] = "\\MSINFO32.EXE";

    static constexpr std::size_t kBufferSize = 1024;
    static constexpr char kUnavailable[] = "System Information Is Unavailable At This Time";

    SystemInfo(Registry& registry, FileTest& files, ProgramLauncher& launcher, UserNotice& messages);

    // Starts the tool, or shows the one message box when that is not possible.
    void StartSysInfo();

    // Reads a text or 32-bit number value into KeyVal, which becomes "" when it cannot be read and
    // keeps what it held for a value of any other type.
    KeyValue GetKeyValue(RegKey KeyRoot, const std::string& KeyName, const std::string& SubKeyRef, std::string& KeyVal);

private:
    bool startTool();
    KeyValue readValue(RegKey key, const std::string& valueName, std::string& KeyVal);

    Registry& m_registry;
    FileTest& m_files;
    ProgramLauncher& m_launcher;
    UserNotice& m_messages;
};

} // namespace orvanel
