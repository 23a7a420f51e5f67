#include "storage/SettingsFile.h"
#include "storage/StorageTestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

// orvanel.conf: what each line sets, and what a line that cannot be used says.
class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void readFromDisk();
};

void TestSettingsFile::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("minGapMs"); // -1: not set
    QTest::addColumn<QString>("log");  // "-": not set
    QTest::addColumn<QString>("problems");
    QTest::addColumn<QString>("ports"); // com1 to com6, "-" where not set
    QTest::newRow("empty") << QByteArray() << -1 << "-"
                           << ""
                           << "-|-|-|-|-|-";
    QTest::newRow("both, blanks and CR LF")
        << QByteArray("  min-gap = 500\r\nlog=carrera 1.csv  \r\n") << 500 << "carrera 1.csv"
        << ""
        << "-|-|-|-|-|-";
    QTest::newRow("comments and blank lines") << QByteArray("# race day\n\n\t# min-gap = 9\nmin-gap=0") << 0 << "-"
                                              << ""
                                              << "-|-|-|-|-|-";
    QTest::newRow("empty log: none") << QByteArray("log =\n") << -1 << ""
                                     << ""
                                     << "-|-|-|-|-|-";
    QTest::newRow("later line wins") << QByteArray("min-gap=100\nmin-gap=200\n") << 200 << "-"
                                     << ""
                                     << "-|-|-|-|-|-";
    QTest::newRow("equals in the value") << QByteArray("log=a=b.csv") << -1 << "a=b.csv"
                                         << ""
                                         << "-|-|-|-|-|-";
    QTest::newRow("bad lines, the rest applies")
        << QByteArray("min-gap = 0.5\nlog = x.csv\ncolor = red\nmin-gap 300\nmin-gap=600001\nmin-gap=-1\n") << -1
        << "x.csv"
        << "f:1: min-gap: \"0.5\" no es un número de milisegundos de 0 a 600000|"
           "f:3: clave desconocida \"color\"; las claves son min-gap, log y com1 a com6|"
           "f:4: \"min-gap 300\" no es una línea clave = valor|"
           "f:5: min-gap: \"600001\" no es un número de milisegundos de 0 a 600000|"
           "f:6: min-gap: \"-1\" no es un número de milisegundos de 0 a 600000"
        << "-|-|-|-|-|-";
    QTest::newRow("key in capitals") << QByteArray("Min-Gap=5") << -1 << "-"
                                     << "f:1: clave desconocida \"Min-Gap\"; las claves son min-gap, log y com1 a com6"
                                     << "-|-|-|-|-|-";
    QTest::newRow("ports") << QByteArray("com1 = /dev/serial/by-id/usb-A port0\ncom6=/tmp/bridge\ncom3 =\n") << -1
                           << "-"
                           << "f:3: com3: falta el dispositivo, p. ej. /dev/ttyUSB0"
                           << "/dev/serial/by-id/usb-A port0|-|-|-|-|/tmp/bridge";
    QTest::newRow("no such port") << QByteArray("com7 = /dev/ttyUSB0\nCOM1=/dev/ttyUSB0\ncom0=x\ncom10=x") << -1 << "-"
                                  << "f:1: clave desconocida \"com7\"; las claves son min-gap, log y com1 a com6|"
                                     "f:2: clave desconocida \"COM1\"; las claves son min-gap, log y com1 a com6|"
                                     "f:3: clave desconocida \"com0\"; las claves son min-gap, log y com1 a com6|"
                                     "f:4: clave desconocida \"com10\"; las claves son min-gap, log y com1 a com6"
                                  << "-|-|-|-|-|-";
    // Saved by editors that mark UTF-8 files.
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBFmin-gap = 500\r\n") << 500 << "-"
                                     << ""
                                     << "-|-|-|-|-|-";
    QTest::newRow("invisible characters are shown")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFlog=a\nmin\x01gap=5\n") << -1 << "-"
        << "f:1: clave desconocida \"<U+FEFF>log\"; las claves son min-gap, log y com1 a com6|"
           "f:2: clave desconocida \"min<U+0001>gap\"; las claves son min-gap, log y com1 a com6"
        << "-|-|-|-|-|-";
}

void TestSettingsFile::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(int, minGapMs);
    QFETCH(QString, log);
    QFETCH(QString, problems);
    QFETCH(QString, ports);
    const Settings settings = parseSettings(text.toStdString(), "f");
    QCOMPARE(settings.minGapMs ? int(*settings.minGapMs) : -1, minGapMs);
    QCOMPARE(settings.logFile ? QString::fromStdString(*settings.logFile) : QString("-"), log);
    QStringList got;
    for (const FileProblem& problem : settings.problems)
        got << QString::fromStdString(problem);
    QCOMPARE(got.join('|'), problems);
    QStringList devices;
    for (const auto& device : settings.portDevices)
        devices << (device ? QString::fromStdString(*device) : QString("-"));
    QCOMPARE(devices.join('|'), ports);
    QVERIFY(!settings.untrusted);
}

void TestSettingsFile::readFromDisk()
{
    QTemporaryDir dir;
    const std::string path = local(dir.filePath(kSettingsFileName));
    const Settings missing = readSettings(path);
    QVERIFY(!missing.minGapMs && !missing.logFile && missing.problems.empty());
    QVERIFY(putFile(dir.filePath(kSettingsFileName), "min-gap=750\n"));
    QCOMPARE(readSettings(path).minGapMs, std::optional<std::uint32_t>(750));
    QCOMPARE(readSettings(local(dir.path())).problems,
             std::vector<FileProblem>{local(dir.path()) + ": es una carpeta"});

    // 64 KiB are still settings; a byte more is some other file, of which nothing applies.
    const QByteArray full = "log = a.csv\n# " + QByteArray(65536 - 15, 'x') + "\n";
    QVERIFY(putFile(dir.filePath(kSettingsFileName), full));
    QCOMPARE(readSettings(path).logFile, std::optional<std::string>("a.csv"));
    QVERIFY(putFile(dir.filePath(kSettingsFileName), full + "m"));
    const Settings tooLarge = readSettings(path);
    QVERIFY(!tooLarge.logFile);
    QCOMPARE(
        tooLarge.problems,
        std::vector<FileProblem>{path + ": tiene más de 64 KiB, no es un archivo de opciones; no se tiene en cuenta"});
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "TestSettingsFile.moc"
