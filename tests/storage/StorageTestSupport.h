#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>
#include <unistd.h>

namespace orvanel::test {

inline std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

inline QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool putFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Gives the file or link at path to another user, as one who shares the folder would have planted
// it; only root can. The reason to skip the test otherwise, else empty.
inline QString giveToAnotherUser(const QString& path)
{
    if (::geteuid() != 0)
        return QStringLiteral("only root can give a file to another user");
    constexpr uid_t kAnotherUser = 4242;
    return ::lchown(QFile::encodeName(path).constData(), kAnotherUser, kAnotherUser) == 0
               ? QString()
               : QStringLiteral("cannot give %1 to another user").arg(path);
}

} // namespace orvanel::test
