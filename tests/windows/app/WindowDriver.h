#pragma once

// Driving Orvanel.exe's windows from another process of the same Wine prefix, as a user would: they are
// found by class and control identifier, read and written with window messages.
#include "platform/windows/WideText.h"

#include <string>
#include <vector>
#include <windows.h>

namespace orvanel::test {

// A Linux path as Wine shows it (drive Z:); a Windows path as it is.
inline std::wstring windowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/') {
        for (char& c : path)
            c = c == '/' ? '\\' : c;
        path = "Z:" + path;
    }
    return toWide(path);
}

// A window's text, read across processes; a hung window gives up after five seconds.
inline std::string text(HWND window)
{
    wchar_t buffer[512] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &length);
    return toUtf8(std::wstring(buffer, length));
}

// The control of parent (at any depth) with identifier id; null if none.
inline HWND child(HWND parent, int id)
{
    struct Search
    {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(window) != s->id)
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The top-level windows of class className that process owns.
inline std::vector<HWND> windowsOf(DWORD process, const wchar_t* className)
{
    struct Search
    {
        DWORD process;
        const wchar_t* className;
        std::vector<HWND> found;
    } search{process, className, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            wchar_t name[64] = {};
            GetWindowThreadProcessId(window, &owner);
            GetClassNameW(window, name, 64);
            if (owner == s->process && std::wstring(name) == s->className)
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A fresh empty folder in the temporary folder, named after this process and the time.
inline std::wstring newTempFolder()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"orvanel-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(GetTickCount64());
    return CreateDirectoryW(folder.c_str(), nullptr) ? folder : std::wstring();
}

// Orvanel.exe started in a working folder, with its main window once it waits for input; ended when
// this goes if it still runs.
class OrvanelProcess
{
public:
    static constexpr DWORD kStartMs = 20000;

    OrvanelProcess() = default;
    OrvanelProcess(const OrvanelProcess&) = delete;
    OrvanelProcess& operator=(const OrvanelProcess&) = delete;
    ~OrvanelProcess()
    {
        if (!m_process.hProcess)
            return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT && close() == WAIT_TIMEOUT)
            TerminateProcess(m_process.hProcess, 1);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }

    // Whether the program started and showed exactly one main window.
    bool start(const std::wstring& program, const std::wstring& folder)
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring line = L"\"" + program + L"\"";
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                            &m_process))
            return false;
        // Idle once the window is up and its message loop waits.
        if (WaitForInputIdle(m_process.hProcess, kStartMs) != 0)
            return false;
        const auto found = windowsOf(m_process.dwProcessId, L"OrvanelMPal");
        m_window = found.size() == 1 ? found.front() : nullptr;
        return m_window != nullptr;
    }

    // Closes the main window as its close box does; the wait's result.
    DWORD close()
    {
        PostMessageW(m_window, WM_CLOSE, 0, 0);
        return WaitForSingleObject(m_process.hProcess, kStartMs);
    }
    DWORD exitCode() const
    {
        DWORD status = STILL_ACTIVE;
        GetExitCodeProcess(m_process.hProcess, &status);
        return status;
    }

    HWND window() const { return m_window; }
    DWORD id() const { return m_process.dwProcessId; }
    HWND control(int id) const { return child(m_window, id); }
    // A menu item or a control's notification, as the window gets it.
    void command(int id, int code = 0, HWND from = nullptr) const
    {
        SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(from));
    }

private:
    PROCESS_INFORMATION m_process{};
    HWND m_window = nullptr;
};

} // namespace orvanel::test
