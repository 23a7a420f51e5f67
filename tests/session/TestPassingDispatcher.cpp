#include "fakes/RecordingLineSink.h"
#include "fakes/RecordingServices.h"
#include "mapping/KeyNotation.h"
#include "session/GapGuard.h"
#include "session/Messages.h"
#include "session/PassingDispatcher.h"
#include "session/RaceLog.h"

#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

class TestPassingDispatcher : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void statusText_data();
    void statusText();
    void knownIdTypesItsRow();
    void keysWithheldUnlessAnotherProgramHasTheFocus_data();
    void keysWithheldUnlessAnotherProgramHasTheFocus();
    void unknownIdTypesNothing_data();
    void unknownIdTypesNothing();
    void autoAssignClaimsAndTypesAtOnce();
    void knownIdIsNeverClaimedAgain();
    void transponderZero();
    void emptyKeyTextStillBeepsAndShows();
    void brokenKeyTextTypesNothing();
    void digitPresetRowNineTypesOneThenZero();
    void minGapHoldsBackAndTheLogSaysWhatBecameOfEachPassing();
    void keysSettledLaterAreLoggedThen();

private:
    QString typed() const;

    MappingTable m_table;
    RecordingKeyInjector m_keys;
    CountingBeeper m_beeper;
    RecordingStatus m_status;
};

void TestPassingDispatcher::init()
{
    m_table = MappingTable();
    m_keys.sent.clear();
    m_keys.deferred = false;
    m_keys.waiting.clear();
    m_beeper.beeps = 0;
    m_status.posts.clear();
}

QString TestPassingDispatcher::typed() const
{
    QStringList all;
    for (const auto& s : m_keys.sent)
        all << QString::fromStdString(toString(s));
    return all.join(QLatin1String(" | "));
}

void TestPassingDispatcher::statusText_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::newRow("7") << 7 << "Transponder ID =  7";
    QTest::newRow("0") << 0 << "Transponder ID =  0";
    QTest::newRow("123") << 123 << "Transponder ID =  123";
    QTest::newRow("-5") << -5 << "Transponder ID = -5";
    QTest::newRow("-32768") << -32768 << "Transponder ID = -32768";
}

void TestPassingDispatcher::statusText()
{
    QFETCH(int, id);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(TransponderIdText(static_cast<std::int16_t>(id))), text);
}

void TestPassingDispatcher::knownIdTypesItsRow()
{
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    m_table.PresetFunctionKeys();
    m_table.setIdText(5, "42");
    d.onPassing(42, false);
    QCOMPARE(typed(), QString("F6"));
    QCOMPARE(m_beeper.beeps, 1);
    QCOMPARE(m_status.posts, std::vector<std::string>{"Transponder ID =  42"});
}

void TestPassingDispatcher::keysWithheldUnlessAnotherProgramHasTheFocus_data()
{
    QTest::addColumn<KeyTarget>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("own window") << KeyTarget::OwnWindow << messages::kKeysWithheld;
    QTest::newRow("no program") << KeyTarget::Nobody << messages::kNoProgramFocused;
}

void TestPassingDispatcher::keysWithheldUnlessAnotherProgramHasTheFocus()
{
    QFETCH(KeyTarget, target);
    QFETCH(QString, reason);
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    QStringList held;
    d.setHoldHandler([&held](const std::string& why) { held << QString::fromStdString(why); });
    m_table.PresetFunctionKeys();
    QCOMPARE(d.onPassing(42, true, target), PassingDispatcher::Typing::Withheld);
    QCOMPARE(typed(), QString());
    QCOMPARE(held, QStringList{reason});
    QCOMPARE(m_table.row(0).IdText, std::string("42"));
    QCOMPARE(m_beeper.beeps, 1);
    QCOMPARE(m_status.posts, std::vector<std::string>{"Transponder ID =  42"});
    QCOMPARE(d.onPassing(42, true), PassingDispatcher::Typing::Sent);
    QCOMPARE(typed(), QString("F1"));
    QCOMPARE(held.size(), 1);
}

void TestPassingDispatcher::unknownIdTypesNothing_data()
{
    QTest::addColumn<bool>("autoAssign");
    QTest::addColumn<bool>("tableFull");
    QTest::newRow("auto-assign off") << false << false;
    QTest::newRow("auto-assign on, no empty row") << true << true;
}

void TestPassingDispatcher::unknownIdTypesNothing()
{
    // Typing row 0's key for an unknown car would credit its passing to another car.
    QFETCH(bool, autoAssign);
    QFETCH(bool, tableFull);
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    m_table.PresetFunctionKeys();
    m_table.setIdText(0, "1");
    if (tableFull) {
        for (std::size_t i = 1; i < MappingTable::kRows; ++i)
            m_table.setIdText(i, std::to_string(100 + i));
    }
    const MappingTable before = m_table;
    d.onPassing(9, autoAssign);
    QCOMPARE(typed(), QString());
    QCOMPARE(m_beeper.beeps, 1);
    QCOMPARE(m_status.posts, std::vector<std::string>{"Transponder ID =  9"});
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        QCOMPARE(m_table.row(i).IdText, before.row(i).IdText);
}

void TestPassingDispatcher::autoAssignClaimsAndTypesAtOnce()
{
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    m_table.PresetDigitKeys();
    m_table.setIdText(0, "11");
    m_table.setIdText(1, " ");
    d.onPassing(-7, true);
    QCOMPARE(m_table.row(2).IdText, std::string("-7"));
    QCOMPARE(typed(), QString("'3'"));

    d.onPassing(-7, false);
    QCOMPARE(typed(), QString("'3' | '3'"));
    QCOMPARE(m_beeper.beeps, 2);
}

void TestPassingDispatcher::knownIdIsNeverClaimedAgain()
{
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    m_table.setIdText(4, "8");
    d.onPassing(8, true);
    for (std::size_t i = 0; i < MappingTable::kRows; ++i) {
        if (i != 4)
            QVERIFY(m_table.row(i).IdText.empty());
    }
}

void TestPassingDispatcher::transponderZero()
{
    // Empty rows hold no number, so transponder 0 claims the first one like any other ID.
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    m_table.PresetFunctionKeys();
    m_table.setIdText(0, "5");
    d.onPassing(0, false);
    QCOMPARE(typed(), QString());
    d.onPassing(0, true);
    QCOMPARE(m_table.row(1).IdText, std::string("0"));
    QCOMPARE(typed(), QString("F2"));
    QCOMPARE(m_status.posts.back(), std::string("Transponder ID =  0"));
}

void TestPassingDispatcher::emptyKeyTextStillBeepsAndShows()
{
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    m_table.setIdText(3, "77");
    d.onPassing(77, false);
    QVERIFY(m_keys.sent.empty());
    QCOMPARE(m_beeper.beeps, 1);
    QCOMPARE(m_status.posts.size(), std::size_t(1));
}

void TestPassingDispatcher::brokenKeyTextTypesNothing()
{
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    m_table.setIdText(0, "1");
    m_table.setKeyText(0, "a{");
    d.onPassing(1, false);
    QVERIFY(m_keys.sent.empty());
    QCOMPARE(m_beeper.beeps, 1);
    QCOMPARE(m_status.posts, std::vector<std::string>{"Transponder ID =  1"});
}

void TestPassingDispatcher::digitPresetRowNineTypesOneThenZero()
{
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    m_table.PresetDigitKeys();
    m_table.setIdText(9, "310");
    d.onPassing(310, false);
    QCOMPARE(typed(), QString("'1' '0'"));
}

void TestPassingDispatcher::minGapHoldsBackAndTheLogSaysWhatBecameOfEachPassing()
{
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    GapGuard guard(500, [] { return std::uint64_t{0}; });
    RecordingLineSink sink;
    RaceLog log(sink, [] { return WallTime{}; }, {});
    d.setGapGuard(&guard);
    d.setLog(&log);
    m_table.PresetFunctionKeys();
    m_table.setIdText(0, "7");
    m_table.setIdText(1, "8");
    m_table.setKeyText(1, "a,{");

    QStringList held;
    d.setHoldHandler([&held](const std::string& why) { held << QString::fromStdString(why); });

    using Typing = PassingDispatcher::Typing;
    const KeyTarget other = KeyTarget::OtherProgram;
    QCOMPARE(d.onPassing(7, false, other, 1000), Typing::Sent);
    QCOMPARE(d.onPassing(7, false, other, 1100), Typing::HeldBack);
    QCOMPARE(held, QStringList{"No se escribió la tecla: el coche pasó 100 ms después de su última pasada escrita, "
                               "menos que el mínimo de 500 ms (--min-gap): se toma por una detección doble."});
    QCOMPARE(d.onPassing(8, false, other, 1200), Typing::Nothing);
    QCOMPARE(d.onPassing(9, false, other, 1250), Typing::Nothing);
    QCOMPARE(d.onPassing(9, true, other, 1300), Typing::Sent);
    QCOMPARE(held.size(), 1);
    // Kept back for the focus, the passing does not count: the gap still runs from 1000.
    QCOMPARE(d.onPassing(7, false, KeyTarget::OwnWindow, 1400), Typing::Withheld);
    QCOMPARE(held.last(), QString(messages::kKeysWithheld));
    QCOMPARE(d.onPassing(7, false, other, 1500), Typing::Sent);

    QCOMPARE(typed(), QString("F1 | F3 | F1"));
    QCOMPARE(m_status.posts.size(), std::size_t(7));
    QCOMPARE(m_status.posts[1], std::string("Transponder ID =  7"));
    const std::string at = "1970-01-01T00:00:00.000+00:00,";
    QCOMPARE(sink.lines, (std::vector<std::string>{
                             at + "1000,7,1,{F1},typed\r\n",
                             at + "1100,7,1,{F1},held back (min gap: 100 ms < 500 ms)\r\n",
                             at + "1200,8,2,\"a,{\",key text not valid\r\n",
                             at + "1250,9,,,unknown ID\r\n",
                             at + "1300,9,3,{F3},claimed row 3\r\n",
                             at + "1400,7,1,{F1},not typed (Orvanel had the keyboard focus)\r\n",
                             at + "1500,7,1,{F1},typed\r\n",
                         }));
}

void TestPassingDispatcher::keysSettledLaterAreLoggedThen()
{
    // With --key-delay the injector tells what became of a key-stroke when its turn comes: the log
    // has the passing then, after an unknown car that passed meanwhile.
    PassingDispatcher d(m_table, m_keys, m_beeper, m_status);
    RecordingLineSink sink;
    RaceLog log(sink, [] { return WallTime{}; }, {});
    d.setLog(&log);
    QStringList held;
    d.setHoldHandler([&held](const std::string& why) { held << QString::fromStdString(why); });
    m_table.PresetFunctionKeys();
    m_table.setIdText(0, "7");
    m_keys.deferred = true;

    const std::pair<KeyOutcome, const char*> outcomes[] = {
        {KeyOutcome::Typed, "typed"},
        {KeyOutcome::OwnWindow, "not typed (Orvanel had the keyboard focus)"},
        {KeyOutcome::NoFocus, "not typed (no program had the keyboard focus)"},
        {KeyOutcome::TooLate, "not typed (waited more than 5 s)"},
        {KeyOutcome::NoKey, "not typed (no key for it in the keyboard map)"},
        {KeyOutcome::NoBackend, "not typed (no key backend)"},
    };
    for (std::size_t i = 0; i < std::size(outcomes); ++i)
        QCOMPARE(d.onPassing(7, false, KeyTarget::OtherProgram, 100), PassingDispatcher::Typing::Sent);
    QCOMPARE(d.onPassing(9, true, KeyTarget::OtherProgram, 200), PassingDispatcher::Typing::Sent);
    QCOMPARE(d.onPassing(10, false, KeyTarget::OtherProgram, 300), PassingDispatcher::Typing::Nothing);
    const std::string at = "1970-01-01T00:00:00.000+00:00,";
    std::vector<std::string> expected{at + "300,10,,,unknown ID\r\n"};
    QCOMPARE(sink.lines, expected);

    for (const auto& [outcome, text] : outcomes) {
        m_keys.settle(outcome);
        expected.push_back(at + "100,7,1,{F1}," + text + "\r\n");
    }
    // The program closes with the claimed car's key-stroke still waiting.
    m_keys.cancelQueued();
    expected.push_back(at + "200,9,2,{F2},claimed row 2; not typed (Orvanel was closing)\r\n");
    QCOMPARE(sink.lines, expected);
    QCOMPARE(held, (QStringList{messages::kKeysWithheld, messages::kNoProgramFocused,
                                "No se escribió la tecla: habría salido más de 5 s tarde, detrás de otras. Acorte la "
                                "pausa entre teclas (--key-delay).",
                                messages::kNoKeyForIt, messages::kNoKeyBackend}));
}

QTEST_GUILESS_MAIN(TestPassingDispatcher)
#include "TestPassingDispatcher.moc"
