#include "platform/windows/io/ComPortList.h"

#include "platform/windows/WideText.h"

#include <algorithm>
#include <cstdlib>
#include <windows.h>

namespace orvanel {

namespace {

// COM2 before COM10.
bool comesBefore(const std::string& a, const std::string& b)
{
    const auto number = [](const std::string& name) {
        const std::size_t digits = name.find_first_of("0123456789");
        return digits == std::string::npos ? 0L : std::strtol(name.c_str() + digits, nullptr, 10);
    };
    const long left = number(a);
    const long right = number(b);
    return left != right ? left < right : a < b;
}

} // namespace

std::vector<std::string> systemComPorts()
{
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return ports;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = static_cast<DWORD>(std::size(name));
        wchar_t data[256];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        const LSTATUS status =
            RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        // The data is the port's name, its terminating null counted or not.
        std::size_t length = dataSize / sizeof(wchar_t);
        while (length > 0 && data[length - 1] == L'\0')
            --length;
        if (length > 0)
            ports.push_back(toUtf8(std::wstring(data, length)));
    }
    RegCloseKey(key);
    std::sort(ports.begin(), ports.end(), comesBefore);
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

std::string describeComPorts(const std::vector<std::string>& ports)
{
    std::string text =
        ports.empty() ? "No COM ports found: is the bridge's adapter plugged in?\n" : "COM ports found:\n";
    for (const std::string& port : ports)
        text += "  " + port + '\n';
    const std::string example = ports.empty() ? std::string("COM7") : ports.back();
    text += "\nWithout --com, \"COM N\" opens COMN. To open another port as COM 1:\n"
            "  orvanel --com 1=" +
            example + "\nor put this line in orvanel.conf:\n  com1 = " + example + '\n';
    return text;
}

} // namespace orvanel
