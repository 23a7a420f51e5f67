#include "MessagePump.h"
#include "platform/windows/io/LoopTimer.h"
#include "platform/windows/io/SendInputKeyInjector.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace orvanel;
using orvanel::test::pumpUntil;

// SendInputKeyInjector typing into the key recorder's window (another process, as the lap counter is),
// under Wine on an X server of the test's own.
namespace {

// What another process does sends this thread no message: it is looked at this often.
constexpr DWORD kOtherProcess = 10;

std::wstring besideThisProgram(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}

std::wstring captionOf(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

class SendInputTyping : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::wstring command = L"\"" + besideThisProgram(L"KeyRecorderWindow.exe") + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &m_recorder));
        ASSERT_TRUE(pumpUntil(
            [&] {
                m_window = FindWindowW(L"OrvanelKeyRecorder", nullptr);
                return m_window != nullptr && GetForegroundWindow() == m_window;
            },
            20000, kOtherProcess))
            << "the recorder's window never came to the foreground";
    }
    void TearDown() override
    {
        if (m_recorder.hProcess) {
            TerminateProcess(m_recorder.hProcess, 0);
            WaitForSingleObject(m_recorder.hProcess, 5000);
            CloseHandle(m_recorder.hProcess);
            CloseHandle(m_recorder.hThread);
        }
    }
    bool recorderShows(const std::wstring& text)
    {
        return pumpUntil([&] { return captionOf(m_window) == text; }, 10000, kOtherProcess);
    }

    PROCESS_INFORMATION m_recorder{};
    HWND m_window = nullptr;
    LoopWindow m_loop;
    SendInputKeyInjector m_keys{[] { return GetTickCount64(); }};
};

const KeySequence kLap = {KeyEvent::tap(NamedKey::F5), KeyEvent::tap(U'1'), KeyEvent::tap(U'0'),
                          KeyEvent::tap(U'ñ'),         KeyEvent::tap(U'€'), KeyEvent::tap(U'@'),
                          KeyEvent::tap(NamedKey::F12)};

} // namespace

TEST_F(SendInputTyping, FKeysDigitsAndAnyCharacterReachTheForegroundWindow)
{
    std::optional<KeyOutcome> outcome;
    m_keys.send(kLap, [&](KeyOutcome result) { outcome = result; });
    EXPECT_EQ(outcome, KeyOutcome::Typed);
    EXPECT_EQ(m_keys.lastProblem(), "");
    EXPECT_TRUE(recorderShows(L"<F5>10ñ€@<F12>")) << captionOf(m_window).size();
}

TEST_F(SendInputTyping, WithADelayKeyStrokesComeWholeAndInOrder)
{
    m_keys.setKeyDelay(std::chrono::milliseconds(5), std::make_unique<LoopTimer>(m_loop));
    int typed = 0;
    for (char32_t digit : {U'1', U'2', U'3'})
        m_keys.send({KeyEvent::tap(digit), KeyEvent::tap(NamedKey::F2)},
                    [&](KeyOutcome result) { typed += result == KeyOutcome::Typed ? 1 : 0; });
    EXPECT_EQ(typed, 0);
    EXPECT_TRUE(recorderShows(L"1<F2>2<F2>3<F2>"));
    EXPECT_TRUE(pumpUntil([&] { return typed == 3; }, 5000));
}

TEST_F(SendInputTyping, NothingIsTypedIntoOrvanelsOwnWindow)
{
    HWND own = CreateWindowExW(0, L"STATIC", L"own", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(own, nullptr);
    SetForegroundWindow(own);
    ASSERT_TRUE(pumpUntil([&] { return GetForegroundWindow() == own; }, 5000, kOtherProcess));
    std::optional<KeyOutcome> outcome;
    m_keys.send(kLap, [&](KeyOutcome result) { outcome = result; });
    EXPECT_EQ(outcome, KeyOutcome::OwnWindow);
    // The race's own check is asked only when the foreground belongs to another program.
    int asked = 0;
    m_keys.setTargetCheck([&] {
        ++asked;
        return KeyTarget::OwnWindow;
    });
    m_keys.send(kLap, [&](KeyOutcome result) { outcome = result; });
    EXPECT_EQ(outcome, KeyOutcome::OwnWindow);
    EXPECT_EQ(asked, 0);
    DestroyWindow(own);
}
