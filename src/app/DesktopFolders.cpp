#include "app/DesktopFolders.h"

#include "storage/SettingsFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace orvanel {

void enterSettingsFolder(CommandLine& command)
{
    for (QString* file : {&command.idListFile, &command.logFile}) {
        if (!file->isEmpty())
            *file = QDir::current().absoluteFilePath(*file);
    }
    const std::string folder = settingsFolderPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    FileProblem problem = makeFolder(folder);
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
