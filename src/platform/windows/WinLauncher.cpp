#include "platform/windows/WinLauncher.h"

#include "platform/windows/WideText.h"

#include <windows.h>

namespace orvanel {

bool WinLauncher::launch(const std::string& command)
{
    if (command.empty())
        return false;
    const std::wstring program = toWide(command);
    // The program's own name is its first argument, quoted for the blanks of "Program Files"; the
    // system may write into this buffer.
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

} // namespace orvanel
