#include "mapping/IdTextValue.h"

#include <QtTest>
#include <cmath>
#include <limits>

using namespace orvanel;

class TestIdTextValue : public QObject
{
    Q_OBJECT

private slots:
    void readsNumbers_data();
    void readsNumbers();
    void textsWithoutNumber_data();
    void textsWithoutNumber();
    void beyondDoubleRange_data();
    void beyondDoubleRange();
};

void TestIdTextValue::readsNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("plain") << "12" << 12.0;
    QTest::newRow("leading blank") << " 12" << 12.0;
    QTest::newRow("blank inside") << "1 2" << 12.0;
    QTest::newRow("tab and line feed") << "\t1\n2" << 12.0;
    QTest::newRow("trailing letters") << "12abc" << 12.0;
    QTest::newRow("decimal zero") << "12.0" << 12.0;
    QTest::newRow("plus sign") << "+12" << 12.0;
    QTest::newRow("minus") << "-5" << -5.0;
    QTest::newRow("fraction") << "12.5" << 12.5;
    QTest::newRow("comma ends the number") << "1,2" << 1.0;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("negative point first") << "-.5" << -0.5;
    QTest::newRow("exponent") << "1.5E3" << 1500.0;
    QTest::newRow("small exponent") << "12e0" << 12.0;
    QTest::newRow("negative exponent") << "1200e-2" << 12.0;
    QTest::newRow("unfinished exponent") << "12e" << 12.0;
    QTest::newRow("exponent sign only") << "12e+" << 12.0;
    QTest::newRow("hex") << "&HC" << 12.0;
    QTest::newRow("hex lower case") << "&hff" << 255.0;
    QTest::newRow("hex stops at non-digit") << "&H1G" << 1.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("octal stops at 8") << "&O18" << 1.0;
    QTest::newRow("zero") << "0" << 0.0;
    QTest::newRow("negative zero") << "-0" << 0.0;
    QTest::newRow("hex zero") << "&H0" << 0.0;
    QTest::newRow("underflow reads as zero") << "1E-999" << 0.0;
    QTest::newRow("locale comma is not a point") << "3,5" << 3.0;
}

void TestIdTextValue::readsNumbers()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    const IdNumber n = ReadIdNumber(text.toStdString());
    QVERIFY(n.present);
    QCOMPARE(n.value, value);
}

void TestIdTextValue::textsWithoutNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("letters") << "abc";
    QTest::newRow("sign only") << "-";
    QTest::newRow("point only") << ".";
    QTest::newRow("hex prefix only") << "&H";
    QTest::newRow("ampersand") << "&";
    QTest::newRow("exponent without mantissa") << "E5";
}

void TestIdTextValue::textsWithoutNumber()
{
    QFETCH(QString, text);
    const IdNumber n = ReadIdNumber(text.toStdString());
    QVERIFY(!n.present);
    QCOMPARE(n.value, 0.0);
}

void TestIdTextValue::beyondDoubleRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("huge exponent") << "1E999" << inf;
    QTest::newRow("negative huge") << "-1E999" << -inf;
    QTest::newRow("many digits") << QString(400, QLatin1Char('9')) << inf;
    QTest::newRow("hex wider than 64 bits") << "&H1FFFFFFFFFFFFFFFF" << inf;
}

void TestIdTextValue::beyondDoubleRange()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    const IdNumber n = ReadIdNumber(text.toStdString());
    QVERIFY(n.present);
    QCOMPARE(n.value, value);
}

QTEST_GUILESS_MAIN(TestIdTextValue)
#include "TestIdTextValue.moc"
