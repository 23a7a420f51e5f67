#include "CommandLine.h"
#include "MPal.h"
#include "PlatformServices.h"
#include "SerialBridge.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

using namespace orvanel;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvanel"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANEL_VERSION));

    const CommandLine command = parseCommandLine(QApplication::arguments());
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

    // The platform services outlive the window: the About window may keep the program running.
    PlatformServices platform = createPlatformServices();
    auto* window = new MPal(std::make_unique<SerialBridge>(command.ports), *platform.keys, *platform.beeper);
    window->setAttribute(Qt::WA_DeleteOnClose);
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
