#include "app/DesktopFolders.h"

#include "platform/posix/FileErrors.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace orvanel {

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

std::string documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFile::encodeName(QDir(documents).exists() ? documents : QDir::homePath()).toStdString();
}

} // namespace orvanel
