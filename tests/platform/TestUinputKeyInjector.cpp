#include "fakes/ManualTimer.h"
#include "fakes/RecordingKeyDevice.h"
#include "mapping/KeyNotation.h"
#include "platform/keymap/XkbKeymap.h"
#include "platform/uinput/UinputKeyInjector.h"

#include <QtTest>

using namespace orvanel;
using orvanel::test::RecordingKeyDevice;
using orvanel::test::typedText;
using orvanel::test::Written;

namespace {

std::unique_ptr<XkbKeymap> compileLayout(const QString& layout)
{
    std::string error;
    auto keymap = XkbKeymap::compile(*parseLayoutName(layout.toStdString()), error);
    if (!keymap)
        qFatal("%s", error.c_str());
    return keymap;
}

KeySequence notation(const QString& text)
{
    const KeyNotationResult parsed = parseKeyNotation(text.toStdString());
    if (!parsed.ok)
        qFatal("bad key notation in the test: %s", qPrintable(text));
    return parsed.keys;
}

} // namespace

class TestUinputKeyInjector : public QObject
{
    Q_OBJECT

private slots:
    void typesTextThroughTheLayout_data();
    void typesTextThroughTheLayout();
    void aCharacterTheLayoutLacksIsToldOnce();
    void withADelayKeyStrokesComeOutWholeAndInOrder();
};

void TestUinputKeyInjector::typesTextThroughTheLayout_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("skipped"); // the code point reported as untypable, if any

    QTest::newRow("us") << "us"
                        << "Hola @1~{TAB}"
                        << "Hola @1\r\t"
                        << "";
    QTest::newRow("us modifiers and repeats") << "us"
                                              << "+a^c{h 3}{ENTER}%x+(ab)"
                                              << "A\x03hhh\r%xAB"
                                              << "";
    QTest::newRow("us without ñ") << "us"
                                  << "añb"
                                  << "ab"
                                  << "U+00F1";
    QTest::newRow("es") << "es"
                        << "ñÑ€@çÇ+e"
                        << "ñÑ€@çÇE"
                        << "";
    // Characters with no key of their own: a dead key, then the base key.
    QTest::newRow("es dead keys") << "es"
                                  << "aÉbàüÂ{É 2}"
                                  << "aÉbàüÂÉÉ"
                                  << "";
    QTest::newRow("de dead keys") << "de"
                                  << "éÈâ{^}"
                                  << "éÈâ^"
                                  << "";
    QTest::newRow("fr dead keys") << "fr"
                                  << "êËô{Ô 2}+(ô)"
                                  << "êËôÔÔÔ"
                                  << "";
    QTest::newRow("de") << "de"
                        << "üÜ€@ßzy{+}"
                        << "üÜ€@ßzy+"
                        << "";
    QTest::newRow("de(nodeadkeys)") << "de(nodeadkeys)"
                                    << "{~}{^}ö"
                                    << "~^ö"
                                    << "";
    QTest::newRow("fr") << "fr"
                        << "çé€@aqmà{h 2}"
                        << "çé€@aqmàhh"
                        << "";
}

void TestUinputKeyInjector::typesTextThroughTheLayout()
{
    QFETCH(QString, layout);
    QFETCH(QString, keys);
    QFETCH(QString, typed);
    QFETCH(QString, skipped);

    const auto keymap = compileLayout(layout);
    std::vector<Written> events;
    int reports = 0;
    UinputKeyInjector injector(keymap->layout(), layout.toStdString(),
                               std::make_unique<RecordingKeyDevice>(events, reports), nullptr, 0, {});
    injector.setDeadKeys(DeadKeys::fromCompose(keymap->layout(), test::composeLocaleOfTests));
    injector.send(notation(keys));

    QCOMPARE(typedText(*keymap, events), typed);
    QCOMPARE(reports, static_cast<int>(events.size()));
    QCOMPARE(QString::fromStdString(injector.lastProblem()).contains(skipped), true);
    QCOMPARE(injector.lastProblem().empty(), skipped.isEmpty());
}

void TestUinputKeyInjector::aCharacterTheLayoutLacksIsToldOnce()
{
    const auto keymap = compileLayout(QStringLiteral("us"));
    std::vector<Written> events;
    int reports = 0;
    QStringList told;
    UinputKeyInjector injector(keymap->layout(), "us", std::make_unique<RecordingKeyDevice>(events, reports), nullptr,
                               0, [&told](const std::string& text) { told << QString::fromStdString(text); });

    for (int passing = 0; passing < 2; ++passing)
        injector.send(notation(QStringLiteral("ñ1ñ")));
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.front().contains(QStringLiteral("«ñ» (U+00F1)")) && told.front().contains(QStringLiteral("us")),
             qPrintable(told.front()));
    QCOMPARE(QString::fromStdString(injector.lastProblem()).count(QStringLiteral("U+00F1")), 1);

    injector.send(notation(QStringLiteral("2")));
    QCOMPARE(injector.lastProblem(), std::string());
    QCOMPARE(typedText(*keymap, events), QStringLiteral("112"));

    // Left with nothing to type, the key-stroke is not typed at all.
    std::optional<KeyOutcome> outcome;
    injector.send(notation(QStringLiteral("ñ")), [&outcome](KeyOutcome o) { outcome = o; });
    QVERIFY(outcome == KeyOutcome::NoKey);
}

void TestUinputKeyInjector::withADelayKeyStrokesComeOutWholeAndInOrder()
{
    const auto keymap = compileLayout(QStringLiteral("es"));
    std::vector<Written> events;
    int reports = 0;
    auto timer = std::make_unique<test::ManualTimer>();
    test::ManualTimer& clock = *timer;
    constexpr int delay = 10;
    UinputKeyInjector injector(keymap->layout(), "es", std::make_unique<RecordingKeyDevice>(events, reports),
                               std::move(timer), delay, {});

    // "Ñ" is Shift down, Ñ down and up, Shift up; a second passing arrives while it is being typed.
    injector.send(notation(QStringLiteral("Ñ")));
    QCOMPARE(events.size(), std::size_t(1));
    clock.advance(delay - 1);
    QCOMPARE(events.size(), std::size_t(1));
    clock.advance(1);
    QCOMPARE(events.size(), std::size_t(2));
    injector.send(notation(QStringLiteral("+a{F1}")));
    injector.send(notation(QStringLiteral("€")));
    while (clock.isActive())
        clock.advance(delay);

    QCOMPARE(typedText(*keymap, events), QStringLiteral("ÑA€"));
    QCOMPARE(clock.now(), static_cast<long>(delay * events.size()));
    std::vector<Written> undelayed;
    UinputKeyInjector direct(keymap->layout(), "es", std::make_unique<RecordingKeyDevice>(undelayed, reports), nullptr,
                             0, {});
    for (const char* keys : {"Ñ", "+a{F1}", "€"})
        direct.send(notation(QString::fromUtf8(keys)));
    QCOMPARE(events.size(), undelayed.size());
    for (std::size_t i = 0; i < events.size(); ++i)
        QVERIFY(events[i].code == undelayed[i].code && events[i].press == undelayed[i].press);
}

QTEST_GUILESS_MAIN(TestUinputKeyInjector)
#include "TestUinputKeyInjector.moc"
