#include "mapping/MappingTable.h"

#include <QtTest>
#include <vector>

using namespace orvanel;

class TestMappingTable : public QObject
{
    Q_OBJECT

private slots:
    void findRowMatchesNumerically_data();
    void findRowMatchesNumerically();
    void findRowIgnoresTextsWithoutNumber_data();
    void findRowIgnoresTextsWithoutNumber();
    void findRowLowestIndexWins();
    void claimWritesDecimalText_data();
    void claimWritesDecimalText();
    void claimSkipsBlankTextAndStopsWhenFull();
    void clearsTouchOneColumn();
    void presets();
    void notifiesEveryChange();
};

void TestMappingTable::findRowMatchesNumerically_data()
{
    QTest::addColumn<QString>("idText");
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("found");

    for (const char* text : {"12", " 12", "1 2", "12abc", "12.0", "+12", "&HC", "1.2E1"})
        QTest::newRow(text) << text << 12 << true;
    QTest::newRow("12.5") << "12.5" << 12 << false;
    QTest::newRow("1,2") << "1,2" << 12 << false;
    QTest::newRow("1,2 reads as 1") << "1,2" << 1 << true;
    QTest::newRow("-5") << "-5" << -5 << true;
    QTest::newRow("-32768") << "-32768" << -32768 << true;
    QTest::newRow("32767") << "32767" << 32767 << true;
    QTest::newRow("0") << "0" << 0 << true;
    QTest::newRow(" 0") << " 0" << 0 << true;
    QTest::newRow("0.0") << "0.0" << 0 << true;
    QTest::newRow("-0") << "-0" << 0 << true;
    QTest::newRow("&H0") << "&H0" << 0 << true;
    QTest::newRow("1E999") << "1E999" << 32767 << false;
    QTest::newRow("65535 is not -1") << "&HFFFF" << -1 << false;
}

void TestMappingTable::findRowMatchesNumerically()
{
    QFETCH(QString, idText);
    QFETCH(int, id);
    QFETCH(bool, found);

    MappingTable table;
    table.setIdText(4, idText.toStdString());
    const RowResult r = table.FindRow(static_cast<std::int16_t>(id));
    QCOMPARE(r.ok, found);
    if (found)
        QCOMPARE(r.row, std::size_t(4));
}

void TestMappingTable::findRowIgnoresTextsWithoutNumber_data()
{
    QTest::addColumn<QString>("idText");
    for (const char* text : {"", " ", "abc", "-", "."})
        QTest::newRow(text) << text;
}

void TestMappingTable::findRowIgnoresTextsWithoutNumber()
{
    // Transponder 0 must not be credited to a row that holds no number.
    QFETCH(QString, idText);
    MappingTable table;
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        table.setIdText(i, idText.toStdString());
    QVERIFY(!table.FindRow(0).ok);

    table.setIdText(7, "0");
    const RowResult r = table.FindRow(0);
    QVERIFY(r.ok);
    QCOMPARE(r.row, std::size_t(7));
}

void TestMappingTable::findRowLowestIndexWins()
{
    MappingTable table;
    table.setIdText(8, "33");
    table.setIdText(3, "33.0");
    QCOMPARE(table.FindRow(33).row, std::size_t(3));
}

void TestMappingTable::claimWritesDecimalText_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::newRow("7") << 7 << "7";
    QTest::newRow("0") << 0 << "0";
    QTest::newRow("-5") << -5 << "-5";
    QTest::newRow("32767") << 32767 << "32767";
    QTest::newRow("-32768") << -32768 << "-32768";
}

void TestMappingTable::claimWritesDecimalText()
{
    QFETCH(int, id);
    QFETCH(QString, text);
    MappingTable table;
    table.setIdText(0, "1");
    table.setKeyText(1, "{F2}");
    const RowResult r = table.ClaimFreeRow(static_cast<std::int16_t>(id));
    QVERIFY(r.ok);
    QCOMPARE(r.row, std::size_t(1));
    QCOMPARE(QString::fromStdString(table.row(1).IdText), text);
    QCOMPARE(table.row(1).KeyText, std::string("{F2}"));
    QCOMPARE(table.FindRow(static_cast<std::int16_t>(id)).row, std::size_t(1));
}

void TestMappingTable::claimSkipsBlankTextAndStopsWhenFull()
{
    MappingTable table;
    table.setIdText(0, " ");
    const RowResult r = table.ClaimFreeRow(9);
    QVERIFY(r.ok);
    QCOMPARE(r.row, std::size_t(1));
    QCOMPARE(table.row(0).IdText, std::string(" "));

    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        table.setIdText(i, "x" + std::to_string(i));
    QVERIFY(!table.ClaimFreeRow(5).ok);
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        QCOMPARE(table.row(i).IdText, "x" + std::to_string(i));
}

void TestMappingTable::clearsTouchOneColumn()
{
    MappingTable table;
    for (std::size_t i = 0; i < MappingTable::kRows; ++i) {
        table.setIdText(i, std::to_string(i));
        table.setKeyText(i, "k");
    }
    table.ClearIds();
    for (std::size_t i = 0; i < MappingTable::kRows; ++i) {
        QVERIFY(table.row(i).IdText.empty());
        QCOMPARE(table.row(i).KeyText, std::string("k"));
    }
    table.setIdText(2, "5");
    table.ClearKeyStrokes();
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        QVERIFY(table.row(i).KeyText.empty());
    QCOMPARE(table.row(2).IdText, std::string("5"));
}

void TestMappingTable::presets()
{
    MappingTable table;
    table.setKeyText(10, "old");
    table.setKeyText(11, "old");
    table.PresetDigitKeys();
    const std::vector<std::string> digits = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "", ""};
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        QCOMPARE(table.row(i).KeyText, digits[i]);

    table.PresetFunctionKeys();
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        QCOMPARE(table.row(i).KeyText, "{F" + std::to_string(i + 1) + "}");
}

void TestMappingTable::notifiesEveryChange()
{
    MappingTable table;
    std::vector<std::pair<std::size_t, MappingTable::Column>> changes;
    table.setChangeListener([&](std::size_t row, MappingTable::Column c) { changes.emplace_back(row, c); });
    table.ClaimFreeRow(3);
    QCOMPARE(changes.size(), std::size_t(1));
    QCOMPARE(changes[0].first, std::size_t(0));
    QVERIFY(changes[0].second == MappingTable::Column::Id);
    changes.clear();
    table.PresetFunctionKeys();
    QCOMPARE(changes.size(), MappingTable::kRows);
    QVERIFY(changes.back().second == MappingTable::Column::Key);
}

QTEST_GUILESS_MAIN(TestMappingTable)
#include "TestMappingTable.moc"
