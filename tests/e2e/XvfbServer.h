#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace orvanel {

// A private virtual X server for one test, on a display number it picks itself.
class XvfbServer
{
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    static QString program(); // empty when Xvfb is not installed

    // Starts the server and waits until it accepts connections. On failure, error says why.
    // extraArguments go to Xvfb as they are ("-extension", "XTEST" leaves that extension out).
    bool start(QString* error, const QStringList& extraArguments = {});
    QString displayName() const { return m_displayName; }

private:
    QProcess m_process;
    QString m_displayName;
};

} // namespace orvanel
