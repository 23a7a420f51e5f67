#include "about/SystemInfo.h"
#include "fakes/FakeSystemInfo.h"
#include "platform/sysinfo/DetachedLauncher.h"
#include "platform/sysinfo/OrdinaryFileTest.h"
#include "platform/sysinfo/ToolPathRegistry.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <sys/wait.h>

using namespace orvanel;
using namespace orvanel::test;

// The Linux stand-ins behind "System Info...".
class TestSystemInfoPlatform : public QObject
{
    Q_OBJECT

private slots:
    void findTool_data();
    void findTool();
    void toolPathThroughSystemInfo();
    void ordinaryFiles();
    void launcher();
};

namespace {

ToolPathRegistry registryWith(const QString& path, const QStringList& executables)
{
    return ToolPathRegistry(path.toStdString(), [executables](const std::string& candidate) {
        return executables.contains(QString::fromStdString(candidate));
    });
}

bool writeFile(const QString& path, const QByteArray& content, QFile::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.setPermissions(permissions);
}

} // namespace

void TestSystemInfoPlatform::findTool_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("executables");
    QTest::addColumn<QString>("found");
    QTest::newRow("the list's order before the folders'")
        << "/a:/b" << QStringList{"/a/gnome-system-monitor", "/b/hardinfo"} << "/b/hardinfo";
    QTest::newRow("the folders' order for one program")
        << "/a:/b" << QStringList{"/a/kinfocenter", "/b/kinfocenter"} << "/a/kinfocenter";
    QTest::newRow("empty and relative folders skipped")
        << ":bin::/usr/bin/" << QStringList{"hardinfo", "bin/hardinfo", "/usr/bin/cpu-x"} << "/usr/bin/cpu-x";
    QTest::newRow("none of the list") << "/a" << QStringList{"/a/top"} << "";
    QTest::newRow("no PATH") << "" << QStringList{"/hardinfo"} << "";
}

void TestSystemInfoPlatform::findTool()
{
    QFETCH(QString, path);
    QFETCH(QStringList, executables);
    QFETCH(QString, found);
    QCOMPARE(QString::fromStdString(registryWith(path, executables).findTool()), found);
}

void TestSystemInfoPlatform::toolPathThroughSystemInfo()
{
    FakeFileTest files;
    FakeLauncher launcher;
    launcher.installed = {"/opt/bin/hardinfo2"};
    RecordingNotice messages;

    ToolPathRegistry found = registryWith("/usr/bin:/opt/bin", {"/opt/bin/hardinfo2", "/usr/bin/cpu-x"});
    SystemInfo(found, files, launcher, messages).StartSysInfo();
    QCOMPARE(launcher.attempts, std::vector<std::string>{"/opt/bin/hardinfo2"});
    QVERIFY(messages.shown.empty());

    ToolPathRegistry none = registryWith("/usr/bin", {});
    SystemInfo(none, files, launcher, messages).StartSysInfo();
    QCOMPARE(launcher.attempts.size(), std::size_t(1));
    QCOMPARE(messages.shown, std::vector<std::string>{SystemInfo::kUnavailable});

    // Read-only, and a path longer than the reader's buffer is refused whole.
    QCOMPARE(found.RegOpenKeyExA(kLocalMachine, SystemInfo::kToolKey, 0, kKeyRead | 0x2).status, kRegAccessDenied);
    QCOMPARE(found.RegOpenKeyExA(kLocalMachine, SystemInfo::kLocationKey, 0, kKeyRead).status, kRegNotFound);
    const Registry::Opened key = found.RegOpenKeyExA(kLocalMachine, SystemInfo::kToolKey, 0, kKeyRead);
    QCOMPARE(key.status, kRegSuccess);
    std::vector<char> exact(std::string("/opt/bin/hardinfo2").size() + 1);
    QCOMPARE(found.RegQueryValueExA(key.key, SystemInfo::kToolValue, exact).status, kRegSuccess);
    std::vector<char> tooSmall(exact.size() - 1);
    QCOMPARE(found.RegQueryValueExA(key.key, SystemInfo::kToolValue, tooSmall).status, kRegMoreData);
}

void TestSystemInfoPlatform::ordinaryFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QFile::Permissions readable = QFile::ReadOwner | QFile::WriteOwner;
    QVERIFY(writeFile(dir.filePath("MSINFO32.EXE"), "x", readable));
    QVERIFY(writeFile(dir.filePath(".hidden"), "x", readable));
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    QVERIFY(QFile::link(dir.filePath("MSINFO32.EXE"), dir.filePath("link")));

    OrdinaryFileTest test;
    auto is = [&](const char* name) { return test.isOrdinaryFile(dir.filePath(name).toStdString()); };
    QVERIFY(is("MSINFO32.EXE"));
    QVERIFY(is("link"));
    QVERIFY(!is(".hidden"));
    QVERIFY(!is("folder"));
    QVERIFY(!is("missing"));
    QVERIFY(!test.isOrdinaryFile(""));
}

void TestSystemInfoPlatform::launcher()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString marker = dir.filePath("started");
    const QString tool = dir.filePath("tool");
    QVERIFY(writeFile(tool, "#!/bin/sh\necho started > '" + marker.toUtf8() + "'\n",
                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(writeFile(dir.filePath("plain"), "#!/bin/sh\n", QFile::ReadOwner | QFile::WriteOwner));

    DetachedLauncher launcher;
    QVERIFY(launcher.launch(tool.toStdString()));
    QTRY_VERIFY(QFile::exists(marker));
    // Nothing of the started program is left to this process: no child to reap, no zombie.
    errno = 0;
    QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
    QCOMPARE(errno, ECHILD);

    for (const QString& path : {dir.filePath("missing"), dir.filePath("plain"), dir.path(), QString()})
        QVERIFY2(!launcher.launch(path.toStdString()), qPrintable(path));
}

QTEST_GUILESS_MAIN(TestSystemInfoPlatform)
#include "TestSystemInfoPlatform.moc"
