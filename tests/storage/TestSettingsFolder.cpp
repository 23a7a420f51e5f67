#include "storage/SettingsFolder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace orvanel;

// Where a desktop start keeps its files, following the XDG base directory rules.
class TestSettingsFolder : public QObject
{
    Q_OBJECT

private slots:
    void path_data();
    void path();
    void madeOnFirstStart();
};

void TestSettingsFolder::path_data()
{
    QTest::addColumn<QByteArray>("xdgConfigHome"); // "-" unset
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<QString>("folder");
    QTest::newRow("config home") << QByteArray("/c") << QByteArray("/h") << "/c/orvanel";
    QTest::newRow("unset") << QByteArray("-") << QByteArray("/h") << "/h/.config/orvanel";
    QTest::newRow("empty") << QByteArray("") << QByteArray("/h") << "/h/.config/orvanel";
    QTest::newRow("relative, ignored") << QByteArray("conf") << QByteArray("/h") << "/h/.config/orvanel";
    QTest::newRow("no home") << QByteArray("-") << QByteArray("-") << "";
    QTest::newRow("relative home") << QByteArray("-") << QByteArray("h") << "";
}

void TestSettingsFolder::path()
{
    QFETCH(QByteArray, xdgConfigHome);
    QFETCH(QByteArray, home);
    QFETCH(QString, folder);
    const auto value = [](const QByteArray& v) { return v == "-" ? nullptr : v.constData(); };
    QCOMPARE(QString::fromStdString(settingsFolderPath(value(xdgConfigHome), value(home))), folder);
}

void TestSettingsFolder::madeOnFirstStart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = settingsFolderPath(nullptr, dir.path().toUtf8().constData());
    QVERIFY(makeFolder(folder).empty());
    struct stat status
    {
    };
    QCOMPARE(::stat(folder.c_str(), &status), 0);
    QVERIFY(S_ISDIR(status.st_mode));
    QCOMPARE(status.st_mode & 077, 0u);
    QVERIFY(makeFolder(folder).empty()); // there already

    QFile blocker(dir.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString problem = QString::fromStdString(makeFolder(dir.filePath("file/orvanel").toStdString()));
    QCOMPARE(problem, dir.filePath("file") + ": no es una carpeta");
    QVERIFY(!makeFolder({}).empty());
}

QTEST_GUILESS_MAIN(TestSettingsFolder)
#include "TestSettingsFolder.moc"
