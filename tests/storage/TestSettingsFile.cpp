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
    QTest::newRow("empty") << QByteArray() << -1 << "-"
                           << "";
    QTest::newRow("both, blanks and CR LF")
        << QByteArray("  min-gap = 500\r\nlog=carrera 1.csv  \r\n") << 500 << "carrera 1.csv"
        << "";
    QTest::newRow("comments and blank lines") << QByteArray("# race day\n\n\t# min-gap = 9\nmin-gap=0") << 0 << "-"
                                              << "";
    QTest::newRow("empty log: none") << QByteArray("log =\n") << -1 << ""
                                     << "";
    QTest::newRow("later line wins") << QByteArray("min-gap=100\nmin-gap=200\n") << 200 << "-"
                                     << "";
    QTest::newRow("equals in the value") << QByteArray("log=a=b.csv") << -1 << "a=b.csv"
                                         << "";
    QTest::newRow("bad lines, the rest applies")
        << QByteArray("min-gap = 0.5\nlog = x.csv\ncolor = red\nmin-gap 300\nmin-gap=600001\nmin-gap=-1\n") << -1
        << "x.csv"
        << "f:1: min-gap: \"0.5\" no es un número de milisegundos de 0 a 600000|"
           "f:3: clave desconocida \"color\"; las claves son min-gap y log|"
           "f:4: \"min-gap 300\" no es una línea clave = valor|"
           "f:5: min-gap: \"600001\" no es un número de milisegundos de 0 a 600000|"
           "f:6: min-gap: \"-1\" no es un número de milisegundos de 0 a 600000";
    QTest::newRow("key in capitals") << QByteArray("Min-Gap=5") << -1 << "-"
                                     << "f:1: clave desconocida \"Min-Gap\"; las claves son min-gap y log";
}

void TestSettingsFile::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(int, minGapMs);
    QFETCH(QString, log);
    QFETCH(QString, problems);
    const Settings settings = parseSettings(text.toStdString(), "f");
    QCOMPARE(settings.minGapMs ? int(*settings.minGapMs) : -1, minGapMs);
    QCOMPARE(settings.logFile ? QString::fromStdString(*settings.logFile) : QString("-"), log);
    QStringList got;
    for (const FileProblem& problem : settings.problems)
        got << QString::fromStdString(problem);
    QCOMPARE(got.join('|'), problems);
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
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "TestSettingsFile.moc"
