#include "app/AboutOpener.h"
#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "app/MPal.h"
#include "app/QtOneShotTimer.h"
#include "app/TerminationSignals.h"
#include "bridge/BridgeLink.h"
#include "platform/PlatformServices.h"
#include "platform/posix/FileErrors.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/SystemClocks.h"
#include "platform/serial/QtSerialLine.h"
#include "platform/serial/SerialPortScan.h"
#include "platform/sysinfo/LinuxSystemInfo.h"
#include "storage/PortSettingFile.h"
#include "storage/SettingsFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <unistd.h>
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

// A desktop start works in the user's settings folder, so that config.cfg does not land in the home
// folder. Files named on the command line are still where the user meant.
void enterSettingsFolder(CommandLine& command, Files& files)
{
    for (QString* file : {&command.idListFile, &command.logFile}) {
        if (!file->isEmpty())
            *file = QDir::current().absoluteFilePath(*file);
    }
    const std::string folder = files.settingsFolder();
    FileProblem problem = files.makeFolder(folder);
    if (problem.empty() && ::chdir(folder.c_str()) != 0)
        problem = describeFileError(folder, errno);
    if (!problem.empty())
        std::fprintf(stderr, "orvanel: la configuración se queda en la carpeta actual: %s\n", problem.c_str());
}

// Where a desktop start's file dialogs begin: the user's documents, not the hidden settings folder.
std::string documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFile::encodeName(QDir(documents).exists() ? documents : QDir::homePath()).toStdString();
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
    MPal::Options options;
    if (command.inSettingsFolder) {
        options.fileDialogFolder = documentsFolder();
        enterSettingsFolder(command, files);
    }

    // The platform services outlive the window: the About window may keep the program running.
    KeyOptions keyOptions;
    keyOptions.backend = command.keys;
    keyOptions.layout = command.layout.toStdString();
    keyOptions.delayMs = command.keyDelayMs;
    keyOptions.makeTimer = [&app] { return std::make_unique<QtOneShotTimer>(&app, QStringLiteral("keyDelay")); };
    PlatformServices platform = createPlatformServices(keyOptions);
    options.portSettingFile = kPortSettingFileName;
    options.idListFile = QFile::encodeName(command.idListFile).toStdString();
    options.preset = command.preset;
    options.start = command.start;
    // orvanel.conf gives the race-day options and the ports to a start from the desktop menu; the command
    // line overrides it.
    const Settings settings = readSettings(files, kSettingsFileName);
    for (const FileProblem& problem : settings.problems)
        std::fprintf(stderr, "orvanel: %s\n", problem.c_str());
    if (settings.untrusted)
        options.untrustedSettings = settings.problems.front();
    for (std::int32_t port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port) {
        const auto& device = settings.portDevices[static_cast<std::size_t>(port - PortMap::kFirstPort)];
        if (device && !command.ports.isChosen(port))
            command.ports.setDevice(port, *device);
    }
    options.ports = command.ports;
    options.minGapMs = command.minGapMs.value_or(settings.minGapMs.value_or(0));
    options.logFile = command.logFile.isEmpty() ? settings.logFile.value_or(std::string())
                                                : QFile::encodeName(command.logFile).toStdString();
    // The resend retry runs on a round trip of a few milliseconds: the link's timers are precise.
    const MakeTimer linkTimer = [&app] {
        return std::make_unique<QtOneShotTimer>(&app, QStringLiteral("bridgeLink"), Qt::PreciseTimer);
    };
    auto bridge =
        std::make_unique<BridgeLink>(std::make_unique<QtSerialLine>(command.ports), linkTimer, systemSteadyMs);
    QPointer<MPal> window = new MPal(std::move(bridge), *platform.keys, *platform.beeper, files, options);
    window->setAttribute(Qt::WA_DeleteOnClose);
    AboutOpener about(createSystemInfoServices());
    window->setAboutHandler([&about] { about.show(); });
    window->show();

    if (!platform.keysProblem.empty()) {
        const QString problem = QString::fromStdString(platform.keysProblem);
        std::fprintf(stderr, "orvanel: %s\n", qPrintable(problem));
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Orvanel"), problem, QMessageBox::Ok, window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    const int status = app.exec();
    // Left by a signal: the window closes now, as the user would have closed it.
    if (window) {
        window->close();
        delete window;
    }
    return status;
}
