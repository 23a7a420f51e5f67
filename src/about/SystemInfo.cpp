#include "about/SystemInfo.h"

#include <algorithm>
#include <vector>

namespace orvanel {

namespace {

// A 32-bit number is stored least significant byte first.
std::string numberText(const std::string& bytes)
{
    std::uint32_t value = 0;
    for (std::size_t i = std::min<std::size_t>(bytes.size(), 4); i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return std::to_string(value);
}

} // namespace

SystemInfo::SystemInfo(Registry& registry, FileTest& files, ProgramLauncher& launcher, UserNotice& messages)
    : m_registry(registry), m_files(files), m_launcher(launcher), m_messages(messages)
{}

void SystemInfo::StartSysInfo()
{
    if (!startTool())
        m_messages.show(kUnavailable);
}

bool SystemInfo::startTool()
{
    std::string path;
    switch (GetKeyValue(kLocalMachine, kToolKey, kToolValue, path)) {
    case KeyValue::Read:
        // The full path, started as it is: a path to nothing fails in the launcher.
        return m_launcher.launch(path);
    case KeyValue::Failed:
        return false;
    case KeyValue::NotRead:
        break;
    }
    if (GetKeyValue(kLocalMachine, kLocationKey, kLocationValue, path) != KeyValue::Read)
        return false;
    const std::string candidate = path + kToolFile;
    return m_files.isOrdinaryFile(candidate) && m_launcher.launch(candidate);
}

SystemInfo::KeyValue SystemInfo::GetKeyValue(RegKey KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                                             std::string& KeyVal)
{
    // Read rights only: asking for more is refused to ordinary users on machine-wide keys.
    const Registry::Opened opened = m_registry.RegOpenKeyExA(KeyRoot, KeyName, 0, kKeyRead);
    const KeyValue result = opened.status == kRegSuccess ? readValue(opened.key, SubKeyRef, KeyVal) : KeyValue::NotRead;
    if (result == KeyValue::NotRead)
        KeyVal.clear();
    m_registry.RegCloseKey(opened.key);
    return result;
}

SystemInfo::KeyValue SystemInfo::readValue(RegKey key, const std::string& valueName, std::string& KeyVal)
{
    std::vector<char> buffer(kBufferSize, '\0');
    const Registry::Queried queried = m_registry.RegQueryValueExA(key, valueName, buffer);
    if (queried.status != kRegSuccess)
        return KeyValue::NotRead;
    if (queried.size == 0 || queried.size > buffer.size())
        return KeyValue::Failed;
    // The last byte written is the terminating zero when the value was stored with one.
    const std::size_t length = buffer[queried.size - 1] == '\0' ? queried.size - 1 : queried.size;
    const std::string text(buffer.data(), length);
    if (queried.type == kRegSz)
        KeyVal = text;
    else if (queried.type == kRegDword)
        KeyVal = numberText(text);
    return KeyValue::Read;
}

} // namespace orvanel
