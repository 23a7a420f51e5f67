#pragma once

// Small stand-ins for the Windows system services, so that the window runs before the full services
// of src/platform/windows are wired in (WindowsServices.cpp is the one place that chooses them).

#include "system/Beeper.h"
#include "system/ByteLine.h"
#include "system/Clocks.h"
#include "system/FileTest.h"
#include "system/Files.h"
#include "system/OneShotTimer.h"
#include "system/ProgramLauncher.h"
#include "system/Registry.h"

#include <windows.h>

namespace orvanel {

// A one-shot timer on the thread's message loop: WM_TIMER of a message-only window of its own.
class StandInTimer : public OneShotTimer
{
public:
    StandInTimer();
    ~StandInTimer() override;
    StandInTimer(const StandInTimer&) = delete;
    StandInTimer& operator=(const StandInTimer&) = delete;

    void start(int milliseconds) override;
    void stop() override;
    bool isActive() const override { return m_active; }
    void setTimeoutHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    bool m_active = false;
    std::function<void()> m_handler;
};

// A line that never opens: every connection fails and says why.
class StandInLine : public ByteLine
{
public:
    bool open(std::int32_t port, std::string& error) override;
    void close() override {}
    bool isOpen() const override { return false; }
    void write(const std::vector<std::uint8_t>&) override {}
    void waitForBytes(int) override {}
    void setBytesHandler(BytesHandler) override {}
    void setFailedHandler(std::function<void()>) override {}
};

class StandInBeeper : public Beeper
{
public:
    void beepExclamation() override { MessageBeep(MB_ICONEXCLAMATION); }
};

// Whole files read and replaced through the standard library, with UTF-8 paths.
class StandInFiles : public Files
{
public:
    FileReading read(const std::string& path, FileOwners owners, std::size_t maxBytes,
                     const std::function<bool(std::string_view bytes)>& take) override;
    FileProblem replace(const std::string& path, std::string_view contents, FileOwners owners) override;
    std::unique_ptr<LineSink> openLog(const std::string& path, const std::string& header) override;
    std::string settingsFolder() override;
    FileProblem makeFolder(const std::string& path) override;
};

// No registry, no files to test, nothing to launch: "System Info..." says the tool is unavailable.
class StandInRegistry : public Registry
{
public:
    Opened RegOpenKeyExA(RegKey, const std::string&, std::uint32_t, std::uint32_t) override { return {}; }
    Queried RegQueryValueExA(RegKey, const std::string&, std::vector<char>&) override { return {}; }
    void RegCloseKey(RegKey) override {}
};

class StandInFileTest : public FileTest
{
public:
    bool isOrdinaryFile(const std::string&) override { return false; }
};

class StandInLauncher : public ProgramLauncher
{
public:
    bool launch(const std::string&) override { return false; }
};

std::uint64_t standInSteadyMs();
WallTime standInWallTime();

} // namespace orvanel
