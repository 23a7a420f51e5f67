#include "app/AboutOpener.h"
#include "app/CommandLine.h"
#include "app/MPal.h"
#include "app/QtOneShotTimer.h"
#include "bridge/SerialBridge.h"
#include "platform/PlatformServices.h"
#include "platform/sysinfo/LinuxSystemInfo.h"
#include "storage/PortSettingFile.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <cstdio>
#include <optional>

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

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvanel"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANEL_VERSION));
    // The interface is in Spanish, and so are Qt's own dialogs (the file dialog) when their translation is installed.
    QTranslator qtSpanish;
    if (qtSpanish.load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtSpanish);

    const CommandLine command = parseCommandLine(QApplication::arguments());
    if (const auto status = answerWithoutWindow(command))
        return *status;

    // The platform services outlive the window: the About window may keep the program running.
    KeyOptions keyOptions;
    keyOptions.backend = command.keys;
    keyOptions.layout = command.layout.toStdString();
    keyOptions.delayMs = command.keyDelayMs;
    keyOptions.makeTimer = [&app] { return std::make_unique<QtOneShotTimer>(&app, QStringLiteral("keyDelay")); };
    PlatformServices platform = createPlatformServices(keyOptions);
    MPal::Options options;
    options.portSettingFile = kPortSettingFileName;
    options.idListFile = QFile::encodeName(command.idListFile).toStdString();
    options.preset = command.preset;
    options.start = command.start;
    auto* window = new MPal(std::make_unique<SerialBridge>(command.ports), *platform.keys, *platform.beeper, options);
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
    return app.exec();
}
