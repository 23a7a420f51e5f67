#include "StorageTestSupport.h"
#include "storage/AppendFile.h"
#include "storage/IdListFile.h"
#include "storage/PortSettingFile.h"
#include "storage/SettingsFile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

// A folder another user can write to: what that user plants under Orvanel's file names is neither
// used nor written through, and what the operator's own links lead to still is.
class TestSharedFolder : public QObject
{
    Q_OBJECT

private slots:
    void settingsOfAnotherUserAreNotUsed_data();
    void settingsOfAnotherUserAreNotUsed();
    void nothingWrittenThroughAnotherUsersLink();
};

void TestSharedFolder::settingsOfAnotherUserAreNotUsed_data()
{
    QTest::addColumn<bool>("asLink"); // a link to the operator's own file, else a file of the other user's
    QTest::newRow("planted file") << false;
    QTest::newRow("planted link") << true;
}

void TestSharedFolder::settingsOfAnotherUserAreNotUsed()
{
    QFETCH(bool, asLink);
    QTemporaryDir dir;
    const QString portFile = dir.filePath(kPortSettingFileName);
    const QString settingsFile = dir.filePath(kSettingsFileName);
    for (const auto& [path, contents] : {std::pair(portFile, QByteArray(" 3 \r\n")),
                                         std::pair(settingsFile, QByteArray("min-gap = 600000\ncom1 = /dev/x\n"))}) {
        if (asLink) {
            QVERIFY(putFile(path + ".mine", contents));
            QVERIFY(QFile::link(path + ".mine", path));
        } else {
            QVERIFY(putFile(path, contents));
        }
        if (const QString skip = giveToAnotherUser(path); !skip.isEmpty())
            QSKIP(qPrintable(skip));
    }
    const std::string whose = asLink ? ": es un enlace de otro usuario (" : ": es de otro usuario (";

    const StoredPortIndex port = readPortIndex(local(portFile));
    QCOMPARE(port.index, 0);
    QVERIFY(port.untrusted);
    QVERIFY2(port.problem.rfind(local(portFile) + whose, 0) == 0, port.problem.c_str());
    QVERIFY2(port.problem.find("); no se tiene en cuenta y se usa COM 1") != std::string::npos, port.problem.c_str());

    const Settings settings = readSettings(local(settingsFile));
    QVERIFY(settings.untrusted && !settings.minGapMs && !settings.portDevices[0]);
    QCOMPARE(settings.problems.size(), std::size_t(1));
    QVERIFY2(settings.problems[0].rfind(local(settingsFile) + whose, 0) == 0, settings.problems[0].c_str());

    // Closing the window does not replace the other user's file, nor what the link leads to.
    QVERIFY2(writePortIndex(local(portFile), 1).rfind(local(portFile) + whose, 0) == 0, "written");
    QCOMPARE(contentsOf(asLink ? portFile + ".mine" : portFile), QByteArray(" 3 \r\n"));
}

void TestSharedFolder::nothingWrittenThroughAnotherUsersLink()
{
    QTemporaryDir dir;
    const QString secret = dir.filePath("private.txt");
    QVERIFY(putFile(secret, "the operator's own\n"));
    const QString ids = dir.filePath("coches.txt");
    const QString log = dir.filePath("carrera.csv");
    for (const QString& planted : {ids, log}) {
        QVERIFY(QFile::link(secret, planted));
        if (const QString skip = giveToAnotherUser(planted); !skip.isEmpty())
            QSKIP(qPrintable(skip));
    }
    // The operator's own link to the planted one: each link on the way counts.
    const QString mine = dir.filePath("mine.txt");
    QVERIFY(QFile::link(ids, mine));

    const std::string refused = ": es un enlace de otro usuario (";
    QVERIFY(writeIdList(local(ids), IdList{"7"}).rfind(local(ids) + refused, 0) == 0);
    QVERIFY(writeIdList(local(mine), IdList{"7"}).rfind(local(ids) + refused, 0) == 0);
    AppendFile planted(local(log), "h\r\n");
    QVERIFY(planted.append("a\r\n").rfind(local(log) + refused, 0) == 0);
    QCOMPARE(contentsOf(secret), QByteArray("the operator's own\n"));

    // A race log a team mate started, with no link, is the shared record: it grows.
    const QString shared = dir.filePath("equipo.csv");
    QVERIFY(putFile(shared, "h\r\n"));
    QCOMPARE(giveToAnotherUser(shared), QString());
    AppendFile teamLog(local(shared), "h\r\n");
    QCOMPARE(teamLog.append("a\r\n"), FileProblem());
    QCOMPARE(contentsOf(shared), QByteArray("h\r\na\r\n"));
}

QTEST_GUILESS_MAIN(TestSharedFolder)
#include "TestSharedFolder.moc"
