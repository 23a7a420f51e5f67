#include "platform/sysinfo/DetachedLauncher.h"

#include <QProcess>
#include <QString>

namespace orvanel {

bool DetachedLauncher::launch(const std::string& command)
{
    // startDetached reaps the intermediate process and reports a failed exec.
    return !command.empty() && QProcess::startDetached(QString::fromLocal8Bit(command), {});
}

} // namespace orvanel
