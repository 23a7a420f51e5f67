#include "StorageTestSupport.h"
#include "storage/IdListFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace orvanel;
using namespace orvanel::test;

class TestIdListFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void refused_data();
    void refused();
    void roundTrip_data();
    void roundTrip();
    void plainTextsAreWrittenAsTheyAre();
    void failuresChangeNothing();
    void failedWriteKeepsTheOldFile();
    void replacingKeepsLinkAndPermissions();
    void hugeFilesAreNotReadWhole();
};

namespace {

IdList idList(const QStringList& first)
{
    IdList ids;
    for (int i = 0; i < first.size(); ++i)
        ids[static_cast<std::size_t>(i)] = first[i].toStdString();
    return ids;
}

mode_t modeOf(const QString& path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
}

QStringList shown(const IdList& ids)
{
    QStringList out;
    for (const auto& id : ids)
        out << QString::fromStdString(id);
    return out;
}

} // namespace

void TestIdListFile::read_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("ids"); // the first rows; the others are empty
    QTest::newRow("five IDs then seven empty lines")
        << QByteArray("7\r\n12\r\n3\r\n44\r\n5\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
        << QStringList{"7", "12", "3", "44", "5"};
    QTest::newRow("twelve on one line") << QByteArray("1,2,3,4,5,6,7,8,9,10,11,12\r\n")
                                        << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
    QTest::newRow("more than twelve lines")
        << QByteArray("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n")
        << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
    QTest::newRow("a comma splits a line and shifts the rest")
        << QByteArray("1,2\r\n3\r\n") << QStringList{"1", "2", "3"};
    QTest::newRow("blanks around a plain field") << QByteArray(" 12\r\n\t7 \t\r\n") << QStringList{"12", "7"};
    QTest::newRow("CR, LF and CR LF line ends")
        << QByteArray("1\r2\n\n3\r\n\r4") << QStringList{"1", "2", "", "3", "", "4"};
    QTest::newRow("empty fields between commas") << QByteArray(",,5,\r\n6") << QStringList{"", "", "5", "", "6"};
    QTest::newRow("quoted") << QByteArray("\"1,2\"\r\n\" 3 \"\r\n  \"4\"\r\n") << QStringList{"1,2", " 3 ", "4"};
    QTest::newRow("doubled quote inside quotes")
        << QByteArray("\"a\"\"b\"\r\n\"\"\"\"\r\n\"\"\r\n9") << QStringList{"a\"b", "\"", "", "9"};
    QTest::newRow("text after the closing quote is dropped")
        << QByteArray("\"x\"junk,7\r\n8") << QStringList{"x", "7", "8"};
    QTest::newRow("quote inside a plain field") << QByteArray("a\"b\r\nc") << QStringList{"a\"b", "c"};
    QTest::newRow("line end inside quotes") << QByteArray("\"a\r\nb\"\r\nc") << QStringList{"a\r\nb", "c"};
    QTest::newRow("unclosed quote runs to the end") << QByteArray("\"ab\r\ncd") << QStringList{"ab\r\ncd"};
    QTest::newRow("fewer than twelve, no last line end") << QByteArray("7\r\n8") << QStringList{"7", "8"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("UTF-8") << QByteArray("ñandú\r\n€") << QStringList{"ñandú", "€"};
    QTest::newRow("UTF-8 with a byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                                "7\r\n8")
                                                  << QStringList{"7", "8"};
    QTest::newRow("Windows-1252") << QByteArray("\xF1"
                                                "and\xFA\r\n\x80\r\n\xEF\xBB")
                                  << QStringList{"ñandú", "€", "ï»"};
    QTest::newRow("tab inside an ID") << QByteArray("a\tb\r\n") << QStringList{"a\tb"};
    QTest::newRow("anything after the twelfth ID")
        << QByteArray("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n\x00\x1A", 29)
        << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
    // Three bytes a character: exactly as many bytes as a field may have.
    QTest::newRow("longest ID") << QByteArray("1\r\n") + QString(32767, QChar(0x20AC)).toUtf8()
                                << QStringList{"1", QString(32767, QChar(0x20AC))};
}

void TestIdListFile::read()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, ids);
    const IdListRead parsed = parseIdList(std::string_view(bytes.constData(), bytes.size()), "ids.txt");
    QVERIFY(parsed.problem.empty());
    QCOMPARE(shown(parsed.ids), shown(idList(ids)));

    QTemporaryDir dir;
    const QString path = dir.filePath("ids.txt");
    QVERIFY(putFile(path, bytes));
    const IdListRead fromFile = readIdList(local(path));
    QVERIFY(fromFile.problem.empty());
    QCOMPARE(shown(fromFile.ids), shown(idList(ids)));
}

// Files that cannot be lists of IDs load nothing at all, and say why.
void TestIdListFile::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("problem"); // after "ids.txt: "
    const QString notAList =
        QStringLiteral("no es una lista de IDs: el ID de la fila %1 tiene un carácter de control (%2)");
    QTest::newRow("picture") << QByteArray("\x89PNG\r\n\x1A\n\x00\x00\x00\rIHDR", 16) << notAList.arg(2).arg("U+001A");
    QTest::newRow("NUL inside quotes") << QByteArray("7\r\n\"8\x00\"", 6) << notAList.arg(2).arg("U+0000");
    QTest::newRow("escape") << QByteArray("\x1B[1m") << notAList.arg(1).arg("U+001B");
    QTest::newRow("delete") << QByteArray("1,2\x7F") << notAList.arg(2).arg("U+007F");
    QTest::newRow("UTF-8 control") << QByteArray("ñ\r\n\xC2\x85") << notAList.arg(2).arg("U+0085");
    QTest::newRow("Windows-1252 byte it leaves undefined")
        << QByteArray("\xF1\r\n\x81") << notAList.arg(2).arg("U+0081");
    const QString tooLong =
        QStringLiteral("el ID de la fila %1 tiene más de 32767 caracteres, más de los que caben en su casilla");
    QTest::newRow("one character too many") << QByteArray("1\r\n") + QByteArray(32768, '7') << tooLong.arg(2);
    QTest::newRow("too many in two-byte characters") << QString(32768, QChar(0xF1)).toUtf8() << tooLong.arg(1);
    // Four bytes make two of the box's characters.
    QTest::newRow("too many beyond U+FFFF")
        << QString::fromUtf8("\xF0\x9F\x8F\x81").repeated(16384).toUtf8() << tooLong.arg(1);
    QTest::newRow("endless field") << QByteArray(200 * 1024, '7') << tooLong.arg(1);
}

void TestIdListFile::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    const QString path = dir.filePath("ids.txt");
    QVERIFY(putFile(path, bytes));
    for (const IdListRead& read :
         {parseIdList(std::string_view(bytes.constData(), bytes.size()), local(path)), readIdList(local(path))}) {
        QCOMPARE(QString::fromStdString(read.problem), QString::fromStdString(local(path)) + ": " + problem);
        QCOMPARE(shown(read.ids), shown(IdList()));
    }
}

void TestIdListFile::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    for (const char* text : {"1,2", " 12", "12 ", "\t1", "\"7", "\"", "a\"b", "a\"b,c", "\"a\",b", "two\r\nlines",
                             "ñandú €", "  ", "x,", ",", "\"\"", "&H1F"})
        QTest::newRow(text) << QString::fromUtf8(text);
}

void TestIdListFile::roundTrip()
{
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath("ids.txt");
    const IdList saved = idList({"1", text, "3", "", text, "6", "7", "8", "9", "10", "11", text});
    QVERIFY(writeIdList(local(path), saved).empty());
    const IdListRead loaded = readIdList(local(path));
    QVERIFY(loaded.problem.empty());
    QCOMPARE(shown(loaded.ids), shown(saved));
}

void TestIdListFile::plainTextsAreWrittenAsTheyAre()
{
    // Only texts that would not read back are quoted, so a list of plain IDs is what any reader expects.
    const IdList ids = idList({"7", "12", "", "a\"b", "1 2", "-3", "&H1F", "ñ"});
    QCOMPARE(QByteArray::fromStdString(formatIdList(ids)),
             QByteArray("7\r\n12\r\n\r\na\"b\r\n1 2\r\n-3\r\n&H1F\r\nñ\r\n\r\n\r\n\r\n\r\n"));
    QVERIFY(QByteArray::fromStdString(formatIdList(idList({"1,2", " 3", "\"q\"x"})))
                .startsWith("\"1,2\"\r\n\" 3\"\r\n\"\"\"q\"\"x\"\r\n\r\n"));
}

void TestIdListFile::failuresChangeNothing()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const std::string folder = local(dir.filePath("folder"));
    const std::string missing = local(dir.filePath("missing.txt"));
    const std::string inMissingFolder = local(dir.filePath("nowhere/ids.txt"));

    QCOMPARE(readIdList(missing).problem, missing + ": no existe");
    QCOMPARE(readIdList(folder).problem, folder + ": es una carpeta");
    QCOMPARE(readIdList("/dev/null").problem, std::string("/dev/null: no es un archivo"));
    QCOMPARE(writeIdList(folder, idList({"1"})), folder + ": es una carpeta");
    QCOMPARE(writeIdList(inMissingFolder, idList({"1"})), inMissingFolder + ": no existe");
    // What would not load back as it is is not saved.
    const std::string unsaved = local(dir.filePath("unsaved.txt"));
    QCOMPARE(writeIdList(unsaved, idList({"1", "", QString(32768, 'x')})),
             unsaved + ": el ID de la fila 3 tiene más de 32767 caracteres, más de los que caben en su casilla");
    QCOMPARE(writeIdList(unsaved, idList({"a\x01"})),
             unsaved + ": el ID de la fila 1 tiene un carácter de control (U+0001)");
    QVERIFY(QFileInfo(dir.filePath("folder")).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"folder"});
    if (::geteuid() != 0) {
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        QCOMPARE(writeIdList(local(dir.filePath("ids.txt")), idList({"1"})),
                 local(dir.filePath("ids.txt")) + ": sin permiso de acceso");
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
}

void TestIdListFile::failedWriteKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ids.txt");
    QVERIFY(putFile(path, "1\r\n2\r\n"));
    {
        TinyFileSizeLimit fullDisk;
        QVERIFY(!writeIdList(local(path), idList({"5", "6", "7"})).empty());
    }
    QCOMPARE(contentsOf(path), QByteArray("1\r\n2\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"ids.txt"});
}

void TestIdListFile::replacingKeepsLinkAndPermissions()
{
    QTemporaryDir dir;
    const QString real = dir.filePath("real.txt");
    const QString link = dir.filePath("link.txt");
    QVERIFY(putFile(real, "old\r\n"));
    QCOMPARE(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    QVERIFY(QFile::link(real, link));
    QVERIFY(writeIdList(local(link), idList({"9"})).empty());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(contentsOf(real).left(3), QByteArray("9\r\n"));
    QCOMPARE(modeOf(real), mode_t(0640));

    // A new file gets what the umask allows.
    const mode_t mask = ::umask(022);
    QVERIFY(writeIdList(local(dir.filePath("new.txt")), idList({"1"})).empty());
    ::umask(mask);
    QCOMPARE(modeOf(dir.filePath("new.txt")), mode_t(0644));
}

void TestIdListFile::hugeFilesAreNotReadWhole()
{
    // A gigabyte that costs no disk: the twelve IDs, then a hole that reads as zero bytes.
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.txt");
    QVERIFY(putFile(path, "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n"));
    QVERIFY(QFile::resize(path, 1LL << 30));
    long long before = bytesReadSoFar();
    const IdListRead list = readIdList(local(path));
    QVERIFY(list.problem.empty());
    QCOMPARE(list.ids[11], std::string("12"));
    QVERIFY(bytesReadSoFar() - before < 1024 * 1024);

    // Blanks are skipped, not kept, and yet a file of them is refused after a bounded read.
    const QString blanks = dir.filePath("blanks.txt");
    QVERIFY(putFile(blanks, "5\r\n" + QByteArray(8 << 20, ' ')));
    before = bytesReadSoFar();
    const IdListRead refused = readIdList(local(blanks));
    QCOMPARE(refused.problem, local(blanks) + ": no es una lista de IDs: más de 2 MiB sin completar los 12 IDs");
    QCOMPARE(refused.ids[0], std::string());
    QVERIFY(bytesReadSoFar() - before < 3 * 1024 * 1024);
}

QTEST_GUILESS_MAIN(TestIdListFile)
#include "TestIdListFile.moc"
