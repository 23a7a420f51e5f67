// Drives Orvanel.exe from outside, as a user would, in the same Wine prefix: its window opens with the
// controls, captions and menu of the classic layout, the menu's presets fill the table, the About
// window opens once, closing keeps the port, and --help and --version answer on standard output.
#include "bridge/BridgeLink.h"
#include "win/MPal.h"
#include "platform/windows/WideText.h"
#include "win/WindowsServices.h"
#include "win/frmAbout.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>
#include <windows.h>

using namespace orvanel;

namespace {

std::wstring g_program; // Orvanel.exe, as a Windows path

constexpr DWORD kStartMs = 20000;

std::wstring windowsPath(std::string path)
{
    // Wine shows the Linux file system as drive Z:.
    if (!path.empty() && path[0] == '/') {
        for (char& c : path)
            c = c == '/' ? '\\' : c;
        path = "Z:" + path;
    }
    return toWide(path);
}

std::string text(HWND window)
{
    wchar_t buffer[512] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &length);
    return toUtf8(std::wstring(buffer, length));
}

HWND child(HWND parent, int id)
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

std::vector<HWND> windowsOf(DWORD process, const wchar_t* className)
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

// Runs Orvanel.exe with arguments; its standard output and error, and its exit status.
std::pair<std::string, DWORD> runToEnd(const std::wstring& arguments)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::wstring line = L"\"" + g_program + L"\" " + arguments;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return {"cannot start", 255};
    CloseHandle(writeEnd);
    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        output.append(buffer, got);
    WaitForSingleObject(process.hProcess, kStartMs);
    DWORD status = 255;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(readEnd);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return {output, status};
}

TEST(WinAppCommandLine, AnswersWithoutWindow)
{
    const struct
    {
        const wchar_t* arguments;
        const char* output; // what the output starts with
        DWORD status;
    } cases[] = {
        {L"--version", "Orvanel 1.0.0\n", 0},
        {L"-v", "Orvanel 1.0.0\n", 0},
        {L"--help", "Usage: Orvanel.exe [--com N=COMx]...", 0},
        {L"--min-gap 5x", "orvanel: --min-gap takes whole milliseconds from 0 to 600000, not \"5x\"\n", 2},
        {L"--keys xtest", "orvanel: unknown option \"--keys\" (see --help)\n", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.arguments));
        const auto [output, status] = runToEnd(c.arguments);
        EXPECT_EQ(output.substr(0, std::string(c.output).size()), c.output);
        EXPECT_EQ(status, c.status);
    }
}

// Orvanel.exe started in a folder of its own, its main window found.
class WinAppWindow : public testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_folder = std::wstring(temp) + L"orvanel-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(GetTickCount64());
        ASSERT_TRUE(CreateDirectoryW(m_folder.c_str(), nullptr));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring line = L"\"" + g_program + L"\"";
        ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, m_folder.c_str(),
                                   &startup, &m_process));
        // Idle once the window is up and its message loop waits.
        ASSERT_EQ(WaitForInputIdle(m_process.hProcess, kStartMs), 0u);
        const auto found = windowsOf(m_process.dwProcessId, L"OrvanelMPal");
        ASSERT_EQ(found.size(), 1u);
        m_window = found.front();
    }

    void TearDown() override
    {
        if (m_process.hProcess) {
            if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) {
                PostMessageW(m_window, WM_CLOSE, 0, 0);
                if (WaitForSingleObject(m_process.hProcess, kStartMs) == WAIT_TIMEOUT)
                    TerminateProcess(m_process.hProcess, 1);
            }
            CloseHandle(m_process.hProcess);
            CloseHandle(m_process.hThread);
        }
        DeleteFileW((m_folder + L"\\config.cfg").c_str());
        RemoveDirectoryW(m_folder.c_str());
    }

    void command(int id) { SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    HWND control(int id) { return child(m_window, id); }

    std::wstring m_folder;
    PROCESS_INFORMATION m_process{};
    HWND m_window = nullptr;
};

TEST_F(WinAppWindow, OpensWithTheClassicControls)
{
    EXPECT_EQ(text(m_window), "Orvanel");
    const struct
    {
        int id;
        const char* caption;
        bool enabled;
    } controls[] = {
        {MPal::kFrame1, "Control Principal", true},
        {MPal::kFrame2, "Configuración Transponder", true},
        {MPal::kFrame3, "Transponder ID = Key Stroke", true},
        {MPal::kCommand1, "Start", true},
        {MPal::kCommand2, "Stop", false},
        {MPal::kCommand4, "Grabar ID", true},
        {MPal::kCommand5, "Leer ID", true},
        {MPal::kText1, "", true},
        {MPal::kLabel3, "ID", true},
        {MPal::kLabel4, "ID", true},
        {MPal::kLabel5, "KEY-S", true},
        {MPal::kLabel6, "KEY-S", true},
        {MPal::kCheck1, "Asignar IDs automáticamente", true},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.caption);
        const HWND window = control(c.id);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(text(window), c.caption);
        EXPECT_EQ(IsWindowEnabled(window) != FALSE, c.enabled);
    }
    for (int row = 0; row < static_cast<int>(MappingTable::kRows); ++row) {
        ASSERT_NE(control(MPal::kText2 + row), nullptr);
        ASSERT_NE(control(MPal::kText3 + row), nullptr);
    }
    EXPECT_EQ(SendMessageW(control(MPal::kCheck1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // The load step selected the stored port (none: COM 1) and tried to connect on it.
    const HWND Ccom = control(MPal::kCcom);
    ASSERT_EQ(SendMessageW(Ccom, CB_GETCOUNT, 0, 0), 6);
    EXPECT_EQ(SendMessageW(Ccom, CB_GETCURSEL, 0, 0), 0);
    for (int i = 0; i < 6; ++i) {
        wchar_t entry[32] = {};
        SendMessageW(Ccom, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
        EXPECT_EQ(std::wstring(entry), L"COM " + std::to_wstring(i + 1));
    }
    const std::string status = text(control(MPal::kLabel1));
    EXPECT_TRUE(status == "Conexión Establecida" || status == "Error de Comunicación") << status;
}

TEST_F(WinAppWindow, MenuPresetsFillTheKeyStrokes)
{
    const struct
    {
        int command;
        std::string (*expected)(int row);
    } steps[] = {
        {MPal::kMKeyS10, [](int row) { return row < 10 ? std::to_string(row + 1) : std::string(); }},
        {MPal::kMKeySF1F12, [](int row) { return "{F" + std::to_string(row + 1) + "}"; }},
        {MPal::kMBorrarKeyS, [](int) { return std::string(); }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.command);
        command(step.command);
        for (int row = 0; row < static_cast<int>(MappingTable::kRows); ++row)
            EXPECT_EQ(text(control(MPal::kText3 + row)), step.expected(row)) << "row " << row;
    }
}

TEST_F(WinAppWindow, AboutOpensOnceAndClosesWithEsc)
{
    command(MPal::kMAbout);
    command(MPal::kMAbout);
    const auto about = windowsOf(m_process.dwProcessId, L"OrvanelAbout");
    ASSERT_EQ(about.size(), 1u);
    EXPECT_EQ(text(about.front()), "About Orvanel");
    EXPECT_EQ(text(child(about.front(), frmAbout::kLblTitle)), "Orvanel");
    EXPECT_EQ(text(child(about.front(), frmAbout::kLblVersion)), "Version 1.0.0");
    EXPECT_EQ(text(child(about.front(), frmAbout::kCmdOK)), "OK");
    EXPECT_EQ(text(child(about.front(), frmAbout::kCmdSysInfo)), "&System Info...");
    // No button of its own on the task bar: it has an owner, and it is not the main window.
    EXPECT_NE(GetWindow(about.front(), GW_OWNER), nullptr);
    EXPECT_NE(GetWindow(about.front(), GW_OWNER), m_window);
    SendMessageW(about.front(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(about.front()));
    EXPECT_TRUE(IsWindow(m_window));
}

TEST_F(WinAppWindow, ClosingKeepsTheChosenPort)
{
    const HWND Ccom = control(MPal::kCcom);
    SendMessageW(Ccom, CB_SETCURSEL, 2, 0);
    SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(MPal::kCcom, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Ccom));
    PostMessageW(m_window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(m_process.hProcess, kStartMs), WAIT_OBJECT_0);
    DWORD status = 255;
    GetExitCodeProcess(m_process.hProcess, &status);
    EXPECT_EQ(status, 0u);
    std::ifstream stored(std::filesystem::path(m_folder + L"\\config.cfg"), std::ios::binary);
    std::stringstream contents;
    contents << stored.rdbuf();
    EXPECT_EQ(contents.str(), " 2 \r\n");
}

// A main window in this process, on stand-in services: menus are not shared between processes under
// Wine, nor is the keyboard focus.
class WinAppInProcess : public testing::Test
{
protected:
    WinAppInProcess()
        : m_services(makeWindowsServices(0)),
          m_window(std::make_unique<Race>(
                       RaceServices{std::make_unique<BridgeLink>(m_services.makeLine(PortMap()), m_services.makeTimer,
                                                                 m_services.steadyClock),
                                    *m_services.keys, *m_services.beeper, *m_services.files, m_services.makeTimer,
                                    m_services.steadyClock, m_services.wallClock, [](const std::string&) {}},
                       RaceOptions()),
                   MPal::Options())
    {}

    WindowsServices m_services;
    MPal m_window;
};

TEST_F(WinAppInProcess, MenuHasTheClassicCaptions)
{
    const HMENU bar = GetMenu(m_window.handle());
    const auto caption = [](HMENU menu, UINT at) {
        wchar_t item[64] = {};
        GetMenuStringW(menu, at, item, 64, MF_BYPOSITION);
        return toUtf8(item);
    };
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(caption(bar, 0), "Menú");
    EXPECT_EQ(caption(bar, 1), "?");
    EXPECT_EQ(GetSubMenu(bar, 1), nullptr);
    const char* items[] = {"Borrar IDs", "Key-S = 1-0", "Key-S = F1-F12", "Borrar Key-S", "Cargar IDs", "Guardar IDs"};
    const HMENU Mmenu = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(Mmenu), 6);
    for (UINT i = 0; i < 6; ++i)
        EXPECT_EQ(caption(Mmenu, i), items[i]);
}

TEST_F(WinAppInProcess, TabRunsThroughTheTableThenTheButtonsThenThePortList)
{
    m_window.show(SW_SHOWNORMAL);
    std::vector<int> expected;
    for (int row = 1; row < static_cast<int>(MappingTable::kRows); ++row)
        expected.push_back(MPal::kText2 + row);
    for (int row = 0; row < static_cast<int>(MappingTable::kRows); ++row)
        expected.push_back(MPal::kText3 + row);
    // Stop is disabled until Start has run: Tab passes it by.
    expected.insert(expected.end(), {MPal::kCommand4, MPal::kText1, MPal::kCommand5, MPal::kCommand1, MPal::kCcom,
                                     MPal::kCheck1, MPal::kText2});
    ASSERT_EQ(GetDlgCtrlID(GetFocus()), MPal::kText2);
    for (const int id : expected) {
        MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        ASSERT_TRUE(m_window.translateDialogMessage(tab));
        ASSERT_EQ(GetDlgCtrlID(GetFocus()), id);
    }
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: TestWinApp ORVANEL_EXE\n");
        return 2;
    }
    g_program = windowsPath(argv[1]);
    return RUN_ALL_TESTS();
}
