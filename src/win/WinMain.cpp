// Orvanel.exe: the command line, the Windows services, the race and its two windows.
#include "bridge/BridgeLink.h"
#include "session/Race.h"
#include "storage/PortSettingFile.h"
#include "storage/SettingsFile.h"
#include "win/AboutOpener.h"
#include "win/CommandLine.h"
#include "win/Console.h"
#include "win/MPal.h"
#include "platform/windows/WideText.h"
#include "win/WindowsServices.h"

#include <commctrl.h>
#include <optional>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

using namespace orvanel;

namespace {

std::vector<std::string> commandArguments()
{
    std::vector<std::string> arguments;
    int count = 0;
    if (LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            arguments.push_back(toUtf8(words[i]));
        LocalFree(words);
    }
    return arguments;
}

// Help, version and errors go to the console Orvanel.exe was started from, or into a message box.
void tell(ConsoleStream stream, const std::string& text)
{
    if (!writeToConsole(stream, text))
        MessageBoxW(nullptr, toWide(text).c_str(), L"Orvanel",
                    MB_OK | (stream == ConsoleStream::Error ? MB_ICONERROR : MB_ICONINFORMATION));
}

// Answers the command lines that do not open the window; the exit status, or nothing to run the program.
std::optional<int> answerWithoutWindow(const CommandLine& command, const WindowsServices& services)
{
    switch (command.action) {
    case CommandLine::Action::ShowHelp:
        tell(ConsoleStream::Output, commandLineHelp());
        return 0;
    case CommandLine::Action::ShowVersion:
        tell(ConsoleStream::Output, "Orvanel " ORVANEL_VERSION "\n");
        return 0;
    case CommandLine::Action::ListPorts:
        tell(ConsoleStream::Output, services.listPorts());
        return 0;
    case CommandLine::Action::Fail:
        tell(ConsoleStream::Error, "orvanel: " + command.error + "\n");
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    return std::nullopt;
}

std::string absolutePath(const std::string& path)
{
    const std::wstring wide = toWide(path);
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
    return toUtf8(full);
}

std::string documentsFolder()
{
    PWSTR folder = nullptr;
    std::string result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &folder)))
        result = toUtf8(folder);
    CoTaskMemFree(folder);
    return result;
}

// --settings-folder: config.cfg and orvanel.conf in %APPDATA%\Orvanel; files named on the command
// line stay where they were meant.
void enterSettingsFolder(CommandLine& command, Files& files)
{
    for (std::string* file : {&command.idListFile, &command.logFile}) {
        if (!file->empty())
            *file = absolutePath(*file);
    }
    const std::string folder = files.settingsFolder();
    FileProblem problem = files.makeFolder(folder);
    if (problem.empty() && !SetCurrentDirectoryW(toWide(folder).c_str()))
        problem = folder + ": no se puede entrar en la carpeta";
    if (!problem.empty())
        writeToConsole(ConsoleStream::Error,
                       "orvanel: la configuración se queda en la carpeta actual: " + problem + "\n");
}

// The command line's options, and orvanel.conf's where the command line sets nothing.
RaceOptions raceOptions(CommandLine& command, const Settings& settings)
{
    for (const FileProblem& problem : settings.problems)
        writeToConsole(ConsoleStream::Error, "orvanel: " + problem + "\n");
    for (std::int32_t port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port) {
        const auto& device = settings.portDevices[static_cast<std::size_t>(port - PortMap::kFirstPort)];
        if (device && !command.ports.isChosen(port))
            command.ports.setDevice(port, *device);
        // "COM N" of the list is the system's COMN unless told otherwise.
        if (!command.ports.isChosen(port))
            command.ports.setDevice(port, "COM" + std::to_string(port));
    }
    RaceOptions options;
    options.portSettingFile = kPortSettingFileName;
    options.idListFile = command.idListFile;
    options.preset = command.preset;
    options.start = command.start;
    options.minGapMs = command.minGapMs.value_or(settings.minGapMs.value_or(0));
    options.logFile = command.logFile.empty() ? settings.logFile.value_or(std::string()) : command.logFile;
    if (settings.untrusted)
        options.untrustedSettings = settings.problems.front();
    return options;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    CommandLine command = parseCommandLine(commandArguments());
    WindowsServices services = makeWindowsServices(command.keyDelayMs);
    if (const auto status = answerWithoutWindow(command, services))
        return *status;

    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    MPal::Options windowOptions;
    if (command.inSettingsFolder) {
        windowOptions.fileDialogFolder = documentsFolder();
        enterSettingsFolder(command, *services.files);
    }
    const RaceOptions options = raceOptions(command, readSettings(*services.files, kSettingsFileName));
    windowOptions.ports = command.ports;

    auto bridge =
        std::make_unique<BridgeLink>(services.makeLine(command.ports), services.makeTimer, services.steadyClock);
    RaceServices raceServices{std::move(bridge),
                              *services.keys,
                              *services.beeper,
                              *services.files,
                              services.makeTimer,
                              services.steadyClock,
                              services.wallClock,
                              [](const std::string& line) { writeToConsole(ConsoleStream::Error, "orvanel: " + line + "\n"); }};

    // The program ends when both windows are gone: closing the main window leaves an open About
    // window open.
    bool mainOpen = true;
    std::unique_ptr<AboutOpener> about;
    const auto endIfNoWindow = [&mainOpen, &about] {
        if (!mainOpen && !(about && about->isOpen()))
            PostQuitMessage(0);
    };
    about = std::make_unique<AboutOpener>(services.makeSystemInfoServices(), endIfNoWindow);
    MPal window(std::make_unique<Race>(std::move(raceServices), options), windowOptions);
    window.setAboutHandler([&about] { about->show(); });
    window.setClosedHandler([&mainOpen, &endIfNoWindow] {
        mainOpen = false;
        endIfNoWindow();
    });
    window.show(showCommand);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.translateDialogMessage(message) || about->translateDialogMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
