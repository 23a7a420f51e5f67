#include "StorageTestSupport.h"
#include "storage/PortSettingFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

class TestPortSettingFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void writtenBytesReadBack();
    void unusableFiles();
    void failedWriteKeepsTheOldFile();
};

void TestPortSettingFile::read_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("problem");
    QTest::newRow("as written") << QByteArray(" 3 \r\n") << 3 << false;
    QTest::newRow("bare digit, no line end") << QByteArray("2") << 2 << false;
    QTest::newRow("first field of several lines") << QByteArray("1\r\n5\r\n") << 1 << false;
    QTest::newRow("ends at a comma") << QByteArray("  4,0\n") << 4 << false;
    QTest::newRow("ends at a blank") << QByteArray("\t5 9") << 5 << false;
    QTest::newRow("plus sign") << QByteArray("+2") << 2 << false;
    QTest::newRow("empty") << QByteArray() << 0 << true;
    QTest::newRow("only a line end") << QByteArray("\r\n") << 0 << true;
    QTest::newRow("not a number") << QByteArray("COM3") << 0 << true;
    QTest::newRow("number then letters") << QByteArray("2x") << 0 << true;
    QTest::newRow("no such entry") << QByteArray("6") << 0 << true;
    QTest::newRow("negative") << QByteArray("-1") << 0 << true;
    QTest::newRow("beyond a byte") << QByteArray("258") << 0 << true;
    QTest::newRow("beyond an int") << QByteArray("99999999999999999999") << 0 << true;
    QTest::newRow("binary") << QByteArray("\x00\xff\x01", 3) << 0 << true;
}

void TestPortSettingFile::read()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, index);
    QFETCH(bool, problem);
    QTemporaryDir dir;
    const QString path = dir.filePath("config.cfg");
    QVERIFY(putFile(path, contents));
    const StoredPortIndex stored = readPortIndex(local(path));
    QCOMPARE(stored.index, index);
    QCOMPARE(!stored.problem.empty(), problem);
    if (problem)
        QVERIFY2(stored.problem.find(local(path)) == 0, stored.problem.c_str());
}

void TestPortSettingFile::writtenBytesReadBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.cfg");
    QVERIFY(putFile(path, "5\r\nleft over from before, longer than the new line\r\n"));
    for (int index = 0; index < kPortIndexCount; ++index) {
        QVERIFY(writePortIndex(local(path), index).empty());
        QCOMPARE(contentsOf(path), QByteArray(" ") + QByteArray::number(index) + " \r\n");
        QCOMPARE(readPortIndex(local(path)).index, index);
    }
    QCOMPARE(contentsOf(path).toHex(' '), QByteArray("20 35 20 0d 0a"));
    // Nothing but the file itself is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"config.cfg"});
}

void TestPortSettingFile::unusableFiles()
{
    QTemporaryDir dir;
    // No file: COM 1 as on a first run, and nothing to report.
    const StoredPortIndex missing = readPortIndex(local(dir.filePath("config.cfg")));
    QCOMPARE(missing.index, 0);
    QVERIFY(missing.problem.empty());

    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const StoredPortIndex folder = readPortIndex(local(dir.filePath("folder")));
    QCOMPARE(folder.index, 0);
    QCOMPARE(folder.problem, local(dir.filePath("folder")) + ": es una carpeta");
    QCOMPARE(writePortIndex(local(dir.filePath("folder")), 1), local(dir.filePath("folder")) + ": es una carpeta");

    QCOMPARE(writePortIndex(local(dir.filePath("missing/config.cfg")), 1),
             local(dir.filePath("missing/config.cfg")) + ": no existe");
}

void TestPortSettingFile::failedWriteKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.cfg");
    QVERIFY(putFile(path, " 4 \r\n"));
    {
        TinyFileSizeLimit fullDisk;
        QVERIFY(!writePortIndex(local(path), 2).empty());
    }
    QCOMPARE(contentsOf(path), QByteArray(" 4 \r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"config.cfg"});
}

QTEST_GUILESS_MAIN(TestPortSettingFile)
#include "TestPortSettingFile.moc"
