#include "win/Console.h"

#include "platform/windows/WideText.h"

#include <windows.h>

namespace orvanel {

namespace {

HANDLE consoleHandle(ConsoleStream stream)
{
    const DWORD which = stream == ConsoleStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    HANDLE handle = GetStdHandle(which);
    if (handle && handle != INVALID_HANDLE_VALUE)
        return handle;
    // A window program gets no standard handles from a console it is started from: it attaches to it.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
        return nullptr;
    handle = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    SetStdHandle(which, handle);
    return handle;
}

} // namespace

bool writeToConsole(ConsoleStream stream, const std::string& text)
{
    const HANDLE handle = consoleHandle(stream);
    if (!handle)
        return false;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = toWide(text);
        return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != FALSE;
    }
    return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE;
}

} // namespace orvanel
