#include "about/AboutCaptions.h"
#include "about/SystemInfo.h"
#include "fakes/FakeSystemInfo.h"

#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

class TestSystemInfo : public QObject
{
    Q_OBJECT

private slots:
    void startSysInfo_data();
    void startSysInfo();
    void keyValueInAndOut();
    void captionsFromTheIdentity();
};

namespace {

constexpr int kNoKey = -1;
constexpr int kNoValue = -2;
constexpr std::uint32_t kRegBinary = 3;

const std::string kTool = "/usr/bin/tool";
const std::string kFolder = "C:\\Tools";
const std::string kFolderTool = "C:\\Tools\\MSINFO32.EXE";

QByteArray bytes(const std::string& text, bool terminatingZero = true)
{
    return QByteArray(text.c_str(), static_cast<int>(text.size() + (terminatingZero ? 1 : 0)));
}

void put(FakeRegistry& registry, const char* key, const char* value, int type, const QByteArray& data)
{
    if (type == kNoKey)
        return;
    registry.addKey(key);
    if (type != kNoValue)
        registry.setValue(key, value, {static_cast<std::uint32_t>(type), data.toStdString()});
}

std::vector<std::string> toStd(const QStringList& list)
{
    std::vector<std::string> result;
    for (const QString& s : list)
        result.push_back(s.toStdString());
    return result;
}

} // namespace

void TestSystemInfo::startSysInfo_data()
{
    QTest::addColumn<int>("firstType"); // the tool's full path
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<int>("secondType"); // the folder that holds it
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("installed"); // what the launcher can start
    QTest::addColumn<QStringList>("launched");  // every launch attempted, in order
    QTest::addColumn<bool>("box");
    QTest::addColumn<int>("keysAsked");

    const QString tool = QString::fromStdString(kTool);
    const QString folderTool = QString::fromStdString(kFolderTool);
    const int sz = kRegSz;
    const QByteArray folder = bytes(kFolder);
    const std::string longest = "/" + std::string(1022, 'x'); // 1024 bytes with its zero

    QTest::newRow("text with its zero") << sz << bytes(kTool) << kNoKey << QByteArray() << QStringList()
                                        << QStringList{tool} << QStringList{tool} << false << 1;
    QTest::newRow("text without its zero") << sz << bytes(kTool, false) << kNoKey << QByteArray() << QStringList()
                                           << QStringList{tool} << QStringList{tool} << false << 1;
    QTest::newRow("1024 bytes") << sz << bytes(longest) << kNoKey << QByteArray() << QStringList()
                                << QStringList{QString::fromStdString(longest)}
                                << QStringList{QString::fromStdString(longest)} << false << 1;
    QTest::newRow("1025 bytes count as missing")
        << sz << bytes(longest + "y") << sz << folder << QStringList{folderTool} << QStringList{folderTool}
        << QStringList{folderTool} << false << 2;
    QTest::newRow("empty value ends it") << sz << QByteArray() << sz << folder << QStringList{folderTool}
                                         << QStringList{folderTool} << QStringList() << true << 1;
    QTest::newRow("number, last byte zero")
        << int(kRegDword) << QByteArray("\x01\x2c\x01\x00", 4) << sz << folder << QStringList{folderTool}
        << QStringList{folderTool} << QStringList{"76801"} << true << 1;
    QTest::newRow("number, last byte not zero")
        << int(kRegDword) << QByteArray("\x00\x00\x00\x01", 4) << kNoKey << QByteArray() << QStringList()
        << QStringList() << QStringList{"16777216"} << true << 1;
    QTest::newRow("other type launches nothing")
        << int(kRegBinary) << bytes(kTool) << sz << folder << QStringList{folderTool} << QStringList{tool, folderTool}
        << QStringList{""} << true << 1;
    QTest::newRow("first names a missing program")
        << sz << bytes("/usr/bin/gone") << sz << folder << QStringList{folderTool} << QStringList{folderTool}
        << QStringList{"/usr/bin/gone"} << true << 1;
    QTest::newRow("second holds the tool")
        << kNoKey << QByteArray() << sz << bytes(kFolder, false) << QStringList{folderTool} << QStringList{folderTool}
        << QStringList{folderTool} << false << 2;
    QTest::newRow("second without the tool") << kNoValue << QByteArray() << sz << folder << QStringList()
                                             << QStringList{folderTool} << QStringList() << true << 2;
    QTest::newRow("second's tool does not start") << kNoKey << QByteArray() << sz << folder << QStringList{folderTool}
                                                  << QStringList() << QStringList{folderTool} << true << 2;
    QTest::newRow("neither") << kNoKey << QByteArray() << kNoKey << QByteArray() << QStringList() << QStringList()
                             << QStringList() << true << 2;
}

void TestSystemInfo::startSysInfo()
{
    QFETCH(int, firstType);
    QFETCH(QByteArray, first);
    QFETCH(int, secondType);
    QFETCH(QByteArray, second);
    QFETCH(QStringList, files);
    QFETCH(QStringList, installed);
    QFETCH(QStringList, launched);
    QFETCH(bool, box);
    QFETCH(int, keysAsked);

    FakeRegistry registry;
    put(registry, SystemInfo::kToolKey, SystemInfo::kToolValue, firstType, first);
    put(registry, SystemInfo::kLocationKey, SystemInfo::kLocationValue, secondType, second);
    FakeFileTest fileTest;
    for (const std::string& f : toStd(files))
        fileTest.files.insert(f);
    FakeLauncher launcher;
    for (const std::string& p : toStd(installed))
        launcher.installed.insert(p);
    RecordingNotice messages;

    SystemInfo(registry, fileTest, launcher, messages).StartSysInfo();

    QCOMPARE(launcher.attempts, toStd(launched));
    QCOMPARE(messages.shown, box ? std::vector<std::string>{SystemInfo::kUnavailable} : std::vector<std::string>{});
    // The locations in their order, read with read rights only (the fake refuses write rights), and
    // every key closed again.
    const std::vector<std::string> locations{SystemInfo::kToolKey, SystemInfo::kLocationKey};
    QCOMPARE(registry.opens.size(), std::size_t(keysAsked));
    for (int i = 0; i < keysAsked; ++i) {
        QCOMPARE(registry.opens[i].keyName, locations[i]);
        QCOMPARE(registry.opens[i].root, kLocalMachine);
        QCOMPARE(registry.opens[i].options, 0u);
        QCOMPARE(registry.opens[i].access, kKeyRead);
    }
    QCOMPARE(registry.keysLeftOpen(), std::size_t(0));
}

void TestSystemInfo::keyValueInAndOut()
{
    FakeRegistry registry;
    registry.setValue("K", "binary", {kRegBinary, "abc"});
    registry.setValue("K", "empty", {kRegSz, ""});
    FakeFileTest fileTest;
    FakeLauncher launcher;
    RecordingNotice messages;
    SystemInfo info(registry, fileTest, launcher, messages);

    std::string value = "held";
    QCOMPARE(info.GetKeyValue(kLocalMachine, "K", "binary", value), SystemInfo::KeyValue::Read);
    QCOMPARE(value, std::string("held"));
    QCOMPARE(info.GetKeyValue(kLocalMachine, "K", "empty", value), SystemInfo::KeyValue::Failed);
    QCOMPARE(info.GetKeyValue(kLocalMachine, "K", "missing", value), SystemInfo::KeyValue::NotRead);
    QCOMPARE(value, std::string());
    QCOMPARE(registry.keysLeftOpen(), std::size_t(0));
}

void TestSystemInfo::captionsFromTheIdentity()
{
    const AboutCaptions captions = aboutCaptions({"Pista", 12, 0, 7});
    QCOMPARE(captions.windowTitle, std::string("About Pista"));
    QCOMPARE(captions.version, std::string("Version 12.0.7"));
    QCOMPARE(captions.title, std::string("Pista"));
}

QTEST_APPLESS_MAIN(TestSystemInfo)
#include "TestSystemInfo.moc"
