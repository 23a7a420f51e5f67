#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace orvanel::test {

// The resident memory of a process (this one by default) in KiB, as the kernel counts it; -1 when it
// cannot be read.
inline long residentKiB(const QString& process = QStringLiteral("self"))
{
    QFile status(QStringLiteral("/proc/%1/status").arg(process));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace orvanel::test
