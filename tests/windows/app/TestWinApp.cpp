// Drives Orvanel.exe from outside, as a user would, in the same Wine prefix: its window opens with the
// controls, captions and menu of the classic layout, the menu's presets fill the table, the About
// window opens once, closing keeps the port, and --help and --version answer on standard output.
#include "bridge/BridgeLink.h"
#include "platform/windows/WideText.h"
#include "win/MPal.h"
#include "win/WindowsServices.h"
#include "win/frmAbout.h"
#include "windows/app/WindowDriver.h"

#include <commctrl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>
#include <windows.h>

using namespace orvanel;
using namespace orvanel::test;

namespace {

std::wstring g_program; // Orvanel.exe, as a Windows path

constexpr DWORD kStartMs = 20000;

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
        m_folder = newTempFolder();
        ASSERT_FALSE(m_folder.empty());
        ASSERT_TRUE(m_orvanel.emplace().start(g_program, m_folder));
        m_window = m_orvanel->window();
    }

    void TearDown() override
    {
        // The program goes first: it holds its working folder.
        m_orvanel.reset();
        DeleteFileW((m_folder + L"\\config.cfg").c_str());
        RemoveDirectoryW(m_folder.c_str());
    }

    void command(int id) { m_orvanel->command(id); }
    HWND control(int id) { return m_orvanel->control(id); }

    std::wstring m_folder;
    std::optional<OrvanelProcess> m_orvanel;
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
    const auto about = windowsOf(m_orvanel->id(), L"OrvanelAbout");
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
    ASSERT_EQ(m_orvanel->close(), WAIT_OBJECT_0);
    EXPECT_EQ(m_orvanel->exitCode(), 0u);
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
                   options())
    {}

    // COM 3 opens COM10.
    static MPal::Options options()
    {
        MPal::Options options;
        options.ports.setDevice(3, "COM10");
        return options;
    }

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

TEST_F(WinAppInProcess, MovedToAScreenOfAnotherDpiItTakesTheSuggestedPlaceAndScalesItsControls)
{
    const HWND window = m_window.handle();
    const HWND start = child(window, MPal::kCommand1);
    const auto width = [](HWND control) {
        RECT at{};
        GetWindowRect(control, &at);
        return at.right - at.left;
    };
    const auto fontHeight = [](HWND control) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
        return font.lfHeight;
    };
    // Within the test's screen, which a window does not outgrow.
    const RECT suggested{40, 30, 40 + 900, 30 + 700};
    for (const int dpi : {144, 120, 96}) {
        SCOPED_TRACE(dpi);
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT at{};
        GetWindowRect(window, &at);
        EXPECT_TRUE(EqualRect(&at, &suggested)) << at.left << "," << at.top << " " << at.right << "," << at.bottom;
        const Twips twips(dpi);
        EXPECT_EQ(width(start), twips.px(1935));
        EXPECT_EQ(fontHeight(start), twips.fontHeight(12));
        EXPECT_EQ(width(child(window, MPal::kText3 + 11)), twips.px(975));
        EXPECT_EQ(fontHeight(child(window, MPal::kLabel1)), twips.fontHeight(13.5));
    }
}

TEST_F(WinAppInProcess, EachEntryOfTheOpenPortListNamesItsDevice)
{
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(child(m_window.handle(), MPal::kCcom), &info));
    HWND tooltips = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (std::wstring(name) != TOOLTIPS_CLASSW)
                return TRUE;
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&tooltips));
    ASSERT_NE(tooltips, nullptr);
    for (const auto& [entry, device] : {std::pair{0, L"COM1"}, {2, L"COM10"}, {5, L"COM6"}, {1, L"COM2"}}) {
        SCOPED_TRACE(entry);
        RECT item{};
        SendMessageW(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(entry), reinterpret_cast<LPARAM>(&item));
        SendMessageW(info.hwndList, WM_MOUSEMOVE, 0, MAKELPARAM(item.left + 2, (item.top + item.bottom) / 2));
        wchar_t shown[80] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = m_window.handle();
        tool.uId = reinterpret_cast<UINT_PTR>(info.hwndList);
        tool.lpszText = shown;
        SendMessageW(tooltips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
        EXPECT_EQ(std::wstring(shown), device);
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
