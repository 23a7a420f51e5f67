#include "app/AboutOpener.h"
#include "app/CommandLine.h"
#include "app/DesktopFolders.h"
#include "app/DesktopRace.h"
#include "app/DisplayCheck.h"
#include "app/MPal.h"
#include "app/PassingsLoader.h"
#include "app/RaceSettings.h"
#include "app/RaceThread.h"
#include "app/TerminationSignals.h"
#include "bridge/BridgeLink.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/SystemClocks.h"
#include "platform/qt/QtOneShotTimer.h"
#include "platform/serial/SerialPortScan.h"
#include "platform/sysinfo/LinuxSystemInfo.h"
#include "storage/SettingsFile.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

using namespace orvanel;

namespace {

// Answers the command lines that do not open the window; the exit status, or nothing to run the program.
std::optional<int> answerWithoutWindow(const CommandLine& command)
{
    switch (command.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(qPrintable(commandLineHelp()), stdout);
        return 0;
    case CommandLine::Action::ShowVersion:
        std::printf("Orvanel %s\n", ORVANEL_VERSION);
        return 0;
    case CommandLine::Action::ListPorts:
        std::fputs(formatSerialPortList(findSerialPorts()).c_str(), stdout);
        return 0;
    case CommandLine::Action::Fail:
        std::fprintf(stderr, "orvanel: %s\n", qPrintable(command.error));
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[])
{
    // Help, version and bad arguments need no display, so they are answered before Qt wants one
    // (without it Qt aborts). Only an argument that may be Qt's own waits for QApplication.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine early = parseCommandLine(arguments);
    if (!early.mayBeQtOption) {
        if (const auto status = answerWithoutWindow(early))
            return *status;
    }
    // The window is an X11 client (on Wayland desktops through Xwayland): the focus and key code needs it.
    ::setenv("QT_QPA_PLATFORM", "xcb", 0);
    const DisplayOptions displayOptions = takeDisplayOptions(arguments);
    if (const std::string problem =
            displayProblem(displayOptions, std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"));
        !problem.empty()) {
        // Qt will not start to take its own options out: but for the two that choose the display, an
        // unknown option is simply wrong.
        const CommandLine ours = parseCommandLine(displayOptions.others);
        std::fprintf(stderr, "orvanel: %s\n",
                     ours.action == CommandLine::Action::Fail ? qPrintable(ours.error) : problem.c_str());
        return 2;
    }
    provideRuntimeFolder();

    QApplication app(argc, argv);
    // The desktop entry's name, also the X11 window's class (WM_CLASS), links the window to its
    // menu entry and icon in task bars.
    QApplication::setApplicationName(QStringLiteral("org.orvanel.Orvanel"));
    QApplication::setDesktopFileName(QStringLiteral("org.orvanel.Orvanel"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANEL_VERSION));
    // A signal ends the program as closing the window does (see below). Every event loop is left,
    // since a signal may come while a dialog runs its own inside one of the window's handlers.
    TerminationSignals endSignals([] { QApplication::exit(0); });

    // Parsed before the translation is installed: the command line speaks English, Qt's words too.
    CommandLine command = parseCommandLine(QApplication::arguments());
    if (const auto status = answerWithoutWindow(command))
        return *status;
    // The interface is in Spanish, and so are Qt's own texts (the file dialog, why a serial port did
    // not open) where their translations are installed.
    std::vector<std::unique_ptr<QTranslator>> translations;
    for (const char* name : {"qtbase_es", "qtserialport_es"}) {
        auto translation = std::make_unique<QTranslator>();
        if (translation->load(QString::fromLatin1(name), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
            QApplication::installTranslator(translation.get()))
            translations.push_back(std::move(translation));
    }
    PosixFiles files;
    MPal::Options windowOptions;
    if (command.inSettingsFolder) {
        windowOptions.fileDialogFolder = documentsFolder();
        enterSettingsFolder(command, files);
    }

    // The passing thread makes the key injector, the beeper and the bridge once the window is shown,
    // before the port opens; their timers are that thread's. It loads them from the passings module
    // first, so that the window does not wait for their libraries.
    KeyOptions keyOptions;
    keyOptions.backend = command.keys;
    keyOptions.layout = command.layout.toStdString();
    keyOptions.delayMs = command.keyDelayMs;
    keyOptions.makeTimer = [] { return std::make_unique<QtOneShotTimer>(nullptr, QStringLiteral("keyDelay")); };
    const RaceOptions options = raceOptions(command, readSettings(files, kSettingsFileName));
    windowOptions.ports = command.ports;
    RaceThread::Factory makeRace = [keyOptions, options, ports = command.ports, &files,
                                    modules =
                                        passingsModuleFiles(QCoreApplication::applicationDirPath())](Beeper& beeper) {
        PassingParts passings = makePassingParts(modules, keyOptions, ports);
        RaceThread::Parts parts;
        parts.platform = std::move(passings.platform);
        // The resend retry runs on a round trip of a few milliseconds: the link's timers are precise.
        const MakeTimer linkTimer = [] {
            return std::make_unique<QtOneShotTimer>(nullptr, QStringLiteral("bridgeLink"), Qt::PreciseTimer);
        };
        auto bridge = std::make_unique<BridgeLink>(std::move(passings.line), linkTimer, systemSteadyMs);
        parts.race = createDesktopRace(std::move(bridge), *parts.platform.keys, beeper, files, options);
        return parts;
    };
    QPointer<MPal> window;
    const RaceThread::KeysReport keysReport = [&window](const std::string& problem, const std::string& route) {
        if (!window)
            return;
        window->setKeysRoute(route);
        if (problem.empty())
            return;
        std::fprintf(stderr, "orvanel: %s\n", problem.c_str());
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Orvanel"), QString::fromStdString(problem),
                                    QMessageBox::Ok, window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    };
    window = new MPal(std::make_unique<RaceThread>(std::move(makeRace), keysReport), windowOptions);
    window->setAttribute(Qt::WA_DeleteOnClose);
    AboutOpener about(createSystemInfoServices());
    window->setAboutHandler([&about] { about.show(); });
    window->show();

    const int status = app.exec();
    // Left by a signal: the window closes now, as the user would have closed it.
    if (window) {
        window->close();
        delete window;
    }
    return status;
}
