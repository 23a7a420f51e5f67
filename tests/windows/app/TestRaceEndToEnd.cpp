// A whole race under Wine, as a user runs it: the installed Orvanel.exe, COM1 wired to the Linux bridge
// simulator, the key recorder as the lap counter. check-installer installs Orvanel before this runs
// and uninstalls it after; com-port-bridge.sh passes each car this asks for ("bridge: pass ID").
#include "win/MPal.h"
#include "win/frmAbout.h"
#include "windows/app/WindowDriver.h"
#include "windows/io/MessagePump.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

using namespace orvanel;
using namespace orvanel::test;

namespace {

std::wstring g_recorder; // KeyRecorderWindow.exe, as a Windows path

// What other processes do sends this thread no message: it is looked at this often.
constexpr DWORD kLookMs = 10;
constexpr DWORD kDeadlineMs = 30000;

// Where the installer put Orvanel.exe, as its uninstall entry says; empty if it is not installed.
std::wstring installedProgram()
{
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvanel",
                     L"InstallLocation", RRF_RT_REG_SZ, nullptr, folder, &size) != ERROR_SUCCESS)
        return {};
    return std::wstring(folder) + L"\\Orvanel.exe";
}

bool becomes(const std::function<bool()>& done)
{
    return pumpUntil(done, kDeadlineMs, kLookMs);
}

void passCar(int id)
{
    std::printf("bridge: pass %d\n", id);
    std::fflush(stdout);
}

// The table as the user fills it: a row, its ID and its key text, and what the lap counter then gets.
struct Row
{
    int row;
    const char* id;
    const char* keys;
    const wchar_t* typed;
};
const Row kTable[] = {
    {0, "11", "{F1}", L"<F1>"}, {1, "12", "{F12}", L"<F12>"}, {2, "4", "7", L"7"},   {5, "305", "0", L"0"},
    {6, "20", "ñ", L"ñ"},       {9, "7", "€", L"€"},          {11, "98", "@", L"@"},
};
// The cars in the order they pass; 500 is in no row and types nothing.
const int kPassings[] = {12, 4, 98, 500, 20, 7, 305, 11, 12};

std::wstring typedFor(int id)
{
    for (const Row& row : kTable) {
        if (std::stoi(row.id) == id)
            return row.typed;
    }
    return {};
}

} // namespace

TEST(RaceEndToEnd, TheInstalledProgramTypesEachPassingsKeyStrokeIntoTheLapCounter)
{
    const std::wstring program = installedProgram();
    ASSERT_FALSE(program.empty()) << "Orvanel is not installed";
    const std::wstring folder = newTempFolder();
    ASSERT_FALSE(folder.empty());
    OrvanelProcess orvanel;
    ASSERT_TRUE(orvanel.start(program, folder));

    orvanel.command(MPal::kMBorrarIds);
    orvanel.command(MPal::kMBorrarKeyS);
    for (const Row& row : kTable) {
        SCOPED_TRACE(row.row);
        for (const auto& [id, value] : {std::pair{MPal::kText2, row.id}, std::pair{MPal::kText3, row.keys}}) {
            const HWND box = orvanel.control(id + row.row);
            SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(toWide(value).c_str()));
            EXPECT_EQ(text(box), value);
        }
    }
    const HWND ports = orvanel.control(MPal::kCcom);
    SendMessageW(ports, CB_SETCURSEL, 0, 0);
    orvanel.command(MPal::kCcom, CBN_SELCHANGE, ports);
    const HWND status = orvanel.control(MPal::kLabel1);
    const HWND start = orvanel.control(MPal::kCommand1);
    const HWND stop = orvanel.control(MPal::kCommand2);
    SendMessageW(start, BM_CLICK, 0, 0);
    ASSERT_TRUE(becomes([&] { return IsWindowEnabled(stop) && !IsWindowEnabled(start); }))
        << "detection did not start: " << text(status);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION recorder{};
    std::wstring line = L"\"" + g_recorder + L"\"";
    ASSERT_TRUE(
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &recorder));
    HWND lapCounter = nullptr;
    ASSERT_TRUE(becomes([&] {
        lapCounter = FindWindowW(L"OrvanelKeyRecorder", nullptr);
        return lapCounter && GetForegroundWindow() == lapCounter;
    })) << "the recorder never came to the foreground";

    std::wstring expected;
    for (const int id : kPassings) {
        passCar(id);
        expected += typedFor(id);
    }
    const auto recorded = [&] {
        wchar_t caption[512] = {};
        GetWindowTextW(lapCounter, caption, 512);
        return std::wstring(caption);
    };
    EXPECT_TRUE(becomes([&] { return recorded() == expected; }))
        << toUtf8(recorded()) << " instead of " << toUtf8(expected);
    // A positive ID stands after a blank, where a minus sign would be.
    const std::string last = "Transponder ID =  " + std::to_string(kPassings[std::size(kPassings) - 1]);
    EXPECT_TRUE(becomes([&] { return text(status) == last; })) << text(status);

    orvanel.command(MPal::kMAbout);
    HWND about = nullptr;
    EXPECT_TRUE(becomes([&] {
        const auto found = windowsOf(orvanel.id(), L"OrvanelAbout");
        about = found.size() == 1 ? found.front() : nullptr;
        return about != nullptr;
    }));
    EXPECT_EQ(text(about), "About Orvanel");
    EXPECT_EQ(text(child(about, frmAbout::kLblVersion)), "Version " ORVANEL_VERSION);
    // An open About window keeps the program running: it goes first.
    SendMessageW(about, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(about));

    EXPECT_EQ(orvanel.close(), WAIT_OBJECT_0);
    EXPECT_EQ(orvanel.exitCode(), 0u);
    EXPECT_EQ(recorded(), expected) << "typed after the last passing";
    TerminateProcess(recorder.hProcess, 0);
    WaitForSingleObject(recorder.hProcess, kDeadlineMs);
    CloseHandle(recorder.hProcess);
    CloseHandle(recorder.hThread);
    DeleteFileW((folder + L"\\config.cfg").c_str());
    RemoveDirectoryW(folder.c_str());
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: TestRaceEndToEnd KEY_RECORDER_EXE\n");
        return 2;
    }
    g_recorder = windowsPath(argv[1]);
    return RUN_ALL_TESTS();
}
