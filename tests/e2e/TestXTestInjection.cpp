#include "DisplayProbe.h"
#include "XvfbServer.h"
#include "platform/qt/QtOneShotTimer.h"
#include "mapping/KeyNotation.h"
#include "platform/x11/XTestKeyInjector.h"

#include <QProcess>
#include <QStringList>
#include <QtTest>
#include <memory>

using namespace orvanel;

namespace {

constexpr int eventTimeoutMs = 15000;
constexpr std::chrono::seconds bindingHoldTime{60};
constexpr unsigned long yacuteKeysym = 0x00fd;
constexpr unsigned long aringKeysym = 0x00e5;

} // namespace

// Types key notation texts into a window of a private X server and compares the key events that window
// receives with the expected ones. Events are written as "+key" for a press and "-key" for a release,
// where key is the keysym of the key's first level, followed by ":keysym" when the modifiers held
// select another keysym ("+a:A" is the A key pressed with Shift held).
class TestXTestInjection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void typesNotation_data();
    void typesNotation();
    void revertsSpareKeysAfterTheHoldTime();
    void revertsSpareKeysWhenDestroyed();
    void typesWholeOrNothing();
    void keyDelaySpacesKeyEventsWithoutWaiting();
    void letsGoOfModifiersTheUserHolds();
    void usesAltGrOnALayoutThatNeedsIt();
    void typesCharactersOfTheActiveGroup();

private:
    void setKeyDelay(XTestKeyInjector& injector, int delayMs);
    void type(XTestKeyInjector& injector, const QString& text);
    // Sends a marker key after the text and gives the events before it, in the notation above,
    // and the text the window received. Check QTest::currentTestFailed() after it.
    void recordUntilMarker(XTestKeyInjector& injector, QString* events, QString* typed);
    void onRecorderOutput();

    XvfbServer m_xvfb;
    QProcess m_recorder;
    std::unique_ptr<DisplayProbe> m_probe;
    std::unique_ptr<XTestKeyInjector> m_injector;
    QStringList m_lines;
    QByteArray m_partialLine;
};

void TestXTestInjection::initTestCase()
{
    if (XvfbServer::program().isEmpty())
        QSKIP("Xvfb is not installed: key injection cannot be tested without an X server");
    QString error;
    QVERIFY2(m_xvfb.start(&error), qPrintable(error));

    m_probe = std::make_unique<DisplayProbe>(m_xvfb.displayName());
    QVERIFY(m_probe->isOpen());
    // The expectations are written for the US layout on a pc105 keyboard.
    QVERIFY(m_probe->loadKeymap(QStringLiteral("evdev+aliases(qwerty)"), QStringLiteral("pc+us+inet(evdev)")));

    connect(&m_recorder, &QProcess::readyReadStandardOutput, this, &TestXTestInjection::onRecorderOutput);
    m_recorder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_recorder.start(QStringLiteral(ORVANEL_KEY_RECORDER), {m_xvfb.displayName()});
    QVERIFY2(m_recorder.waitForStarted(eventTimeoutMs), qPrintable(m_recorder.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(m_lines.contains(QStringLiteral("ready")), eventTimeoutMs);

    // Spare keys stay bound long enough for a recorder slowed down by a busy machine to read them.
    auto opened = XTestKeyInjector::open(m_xvfb.displayName().toStdString(), bindingHoldTime);
    QCOMPARE(opened.error, XTestKeyInjector::OpenError::None);
    m_injector = std::move(opened.injector);
}

void TestXTestInjection::cleanupTestCase()
{
    m_injector.reset();
    if (m_recorder.state() != QProcess::NotRunning) {
        m_recorder.closeWriteChannel();
        if (!m_recorder.waitForFinished(eventTimeoutMs))
            m_recorder.kill();
    }
}

void TestXTestInjection::init()
{
    m_lines.clear();
    setKeyDelay(*m_injector, 0);
}

void TestXTestInjection::setKeyDelay(XTestKeyInjector& injector, int delayMs)
{
    injector.setKeyDelay(std::chrono::milliseconds(delayMs),
                         delayMs > 0 ? std::make_unique<QtOneShotTimer>(this, QStringLiteral("keyDelay")) : nullptr);
}

void TestXTestInjection::onRecorderOutput()
{
    m_partialLine += m_recorder.readAllStandardOutput();
    int end = 0;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        m_lines << QString::fromUtf8(m_partialLine.left(end));
        m_partialLine.remove(0, end + 1);
    }
}

void TestXTestInjection::type(XTestKeyInjector& injector, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const KeyNotationResult parsed = parseKeyNotation(std::string_view(utf8.constData(), utf8.size()));
    QVERIFY2(parsed.ok, parsed.error.c_str());
    injector.send(parsed.keys);
}

void TestXTestInjection::recordUntilMarker(XTestKeyInjector& injector, QString* events, QString* typed)
{
    // The marker goes through the same connection, so it arrives after everything sent before it.
    injector.send({KeyEvent::tap(NamedKey::Help)});
    const QString markerRelease = QStringLiteral("release Help Help");
    QTRY_VERIFY_WITH_TIMEOUT(m_lines.contains(markerRelease), eventTimeoutMs);

    QStringList tokens;
    typed->clear();
    const int markerPress = m_lines.indexOf(QStringLiteral("press Help Help"));
    for (int i = 0; i < markerPress; ++i) {
        const QString& line = m_lines.at(i);
        const int quote = line.indexOf(QLatin1Char('"'));
        if (quote >= 0)
            *typed += line.mid(quote + 1, line.size() - quote - 2);
        const QStringList words =
            line.left(quote >= 0 ? quote : line.size()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QVERIFY2(words.size() >= 3, qPrintable(line));
        QString token = (words[0] == QLatin1String("press") ? QStringLiteral("+") : QStringLiteral("-")) + words[1];
        if (words[2] != words[1])
            token += QLatin1Char(':') + words[2];
        tokens << token;
    }
    *events = tokens.join(QLatin1Char(' '));
    m_lines.clear();
}

void TestXTestInjection::typesNotation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("typed");

    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("function key") << "{F1}"
                                  << "+F1 -F1"
                                  << "";
    QTest::newRow("two digits") << "10"
                                << "+1 -1 +0 -0"
                                << "10";
    QTest::newRow("capital letter") << "A"
                                    << "+Shift_L +a:A -a:A -Shift_L"
                                    << "A";
    QTest::newRow("blank") << "a b"
                           << "+a -a +space -space +b -b"
                           << "a b";
    QTest::newRow("capital in a shifted group") << "+(Ab)"
                                                << "+Shift_L +a:A -a:A +b:B -b:B -Shift_L"
                                                << "AB";
    QTest::newRow("shift for one unit") << "+ab"
                                        << "+Shift_L +a:A -a:A -Shift_L +b -b"
                                        << "Ab";
    QTest::newRow("shift for a group") << "+(ab)c"
                                       << "+Shift_L +a:A -a:A +b:B -b:B -Shift_L +c -c"
                                       << "ABc";
    QTest::newRow("control") << "^c"
                             << "+Control_L +c -c -Control_L"
                             << "";
    QTest::newRow("alt with capital") << "%F"
                                      << "+Alt_L +Shift_L +f:F -f:F -Shift_L -Alt_L"
                                      << "";
    QTest::newRow("stacked modifiers") << "+^a"
                                       << "+Shift_L +Control_L +a:A -a:A -Control_L -Shift_L"
                                       << "";
    QTest::newRow("control alt delete") << "^%{DEL}"
                                        << "+Control_L +Alt_L +Delete -Delete -Alt_L -Control_L"
                                        << "";
    QTest::newRow("tilde is enter") << "~"
                                    << "+Return -Return"
                                    << "";
    QTest::newRow("enter by name") << "{enter}"
                                   << "+Return -Return"
                                   << "";
    QTest::newRow("escaped plus") << "{+}"
                                  << "+Shift_L +equal:plus -equal:plus -Shift_L"
                                  << "+";
    QTest::newRow("escaped tilde") << "{~}"
                                   << "+Shift_L +grave:asciitilde -grave:asciitilde -Shift_L"
                                   << "~";
    QTest::newRow("escaped brace twice") << "{} 2}"
                                         << "+Shift_L +bracketright:braceright -bracketright:braceright "
                                            "+bracketright:braceright -bracketright:braceright -Shift_L"
                                         << "}}";
    QTest::newRow("repeated capital holds shift") << "{H 2}"
                                                  << "+Shift_L +h:H -h:H +h:H -h:H -Shift_L"
                                                  << "HH";
    QTest::newRow("shift held over repeats") << "+{TAB 2}"
                                             << "+Shift_L +Tab:ISO_Left_Tab -Tab:ISO_Left_Tab +Tab:ISO_Left_Tab "
                                                "-Tab:ISO_Left_Tab -Shift_L"
                                             << "";
    QTest::newRow("zero repeats") << "{LEFT 0}"
                                  << ""
                                  << "";
    QTest::newRow("named keys") << "{PGDN}{BS}{ADD}"
                                << "+Next -Next +BackSpace -BackSpace +KP_Add -KP_Add"
                                << "";
    QTest::newRow("break") << "{BREAK}"
                           << "+Control_L +Pause:Break -Pause:Break -Control_L"
                           << "";
    QTest::newRow("key missing from the map") << "{F13}"
                                              << "+F13 -F13"
                                              << "";
    QTest::newRow("latin-1 letter missing from the map") << "ñ"
                                                         << "+ntilde -ntilde"
                                                         << "ñ";
    QTest::newRow("its capital") << "Ñ"
                                 << "+Shift_L +ntilde:Ntilde -ntilde:Ntilde -Shift_L"
                                 << "Ñ";
    QTest::newRow("euro sign") << "€"
                               << "+EuroSign -EuroSign"
                               << "€";
    QTest::newRow("several missing characters") << "ñéü"
                                                << "+ntilde -ntilde +eacute -eacute +udiaeresis -udiaeresis"
                                                << "ñéü";
    QTest::newRow("unicode letter") << "ŵŴ"
                                    << "+wcircumflex -wcircumflex +Shift_L +wcircumflex:Wcircumflex "
                                       "-wcircumflex:Wcircumflex -Shift_L"
                                    << "ŵŴ";
    QTest::newRow("unicode symbol") << "☺"
                                    << "+U263A -U263A"
                                    << "☺";
    QTest::newRow("caps lock") << "{CAPSLOCK}aA{CAPSLOCK}"
                               << "+Caps_Lock -Caps_Lock +Shift_L +a -a -Shift_L +a:A -a:A +Caps_Lock -Caps_Lock"
                               << "aA";
    QTest::newRow("caps lock on a spare key")
        << "{CAPSLOCK}øØ{CAPSLOCK}"
        << "+Caps_Lock -Caps_Lock +Shift_L +oslash -oslash -Shift_L +oslash:Oslash -oslash:Oslash "
           "+Caps_Lock -Caps_Lock"
        << "øØ";
}

void TestXTestInjection::typesNotation()
{
    QFETCH(QString, text);
    QFETCH(QString, events);
    QFETCH(QString, typed);

    // Paced, each key is chosen only once the one before has gone out: a lock key's effect is seen.
    for (const int delayMs : {0, 1}) {
        setKeyDelay(*m_injector, delayMs);
        type(*m_injector, text);
        QString recordedEvents;
        QString recordedText;
        recordUntilMarker(*m_injector, &recordedEvents, &recordedText);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(recordedEvents == events, qPrintable(QStringLiteral("%1 ms: %2").arg(delayMs).arg(recordedEvents)));
        QVERIFY2(recordedText == typed, qPrintable(QStringLiteral("%1 ms: %2").arg(delayMs).arg(recordedText)));
    }
}

// Each test below types characters no other test uses: a key another injector still holds bound would be
// found on the keyboard map and used as it is.
void TestXTestInjection::revertsSpareKeysAfterTheHoldTime()
{
    auto opened = XTestKeyInjector::open(m_xvfb.displayName().toStdString(), std::chrono::milliseconds(100));
    QVERIFY(opened.injector);
    QVERIFY(!m_probe->hasKeysym(aringKeysym));

    // send() has read the keyboard map back after binding, and only the event loop reverts.
    type(*opened.injector, QStringLiteral("å"));
    QVERIFY(m_probe->hasKeysym(aringKeysym));
    QTRY_VERIFY_WITH_TIMEOUT(!m_probe->hasKeysym(aringKeysym), eventTimeoutMs);
}

void TestXTestInjection::revertsSpareKeysWhenDestroyed()
{
    auto opened = XTestKeyInjector::open(m_xvfb.displayName().toStdString(), std::chrono::hours(1));
    QVERIFY(opened.injector);

    type(*opened.injector, QStringLiteral("ý"));
    QString events;
    QString typed;
    recordUntilMarker(*opened.injector, &events, &typed);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(typed, QStringLiteral("ý"));
    QVERIFY(m_probe->hasKeysym(yacuteKeysym));

    opened.injector.reset();
    QVERIFY(!m_probe->hasKeysym(yacuteKeysym));
}

void TestXTestInjection::typesWholeOrNothing()
{
    auto opened = XTestKeyInjector::open(m_xvfb.displayName().toStdString(), std::chrono::hours(1));
    QVERIFY(opened.injector);
    QString events;
    QString typed;

    // Ten characters the map lacks, more than a handful of spare keys would hold: all are typed.
    type(*opened.injector, QStringLiteral("àáâãäæçèìí"));
    recordUntilMarker(*opened.injector, &events, &typed);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(typed, QStringLiteral("àáâãäæçèìí"));

    // More distinct characters than the keyboard map has free key codes: nothing, not a part.
    QString tooMany;
    for (char16_t c = 0x4e00; c < 0x4e00 + 300; ++c)
        tooMany += QChar(c);
    type(*opened.injector, QStringLiteral("a") + tooMany);
    recordUntilMarker(*opened.injector, &events, &typed);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(typed, QString());
}

void TestXTestInjection::keyDelaySpacesKeyEventsWithoutWaiting()
{
    constexpr qint64 delayMs = 60;
    setKeyDelay(*m_injector, delayMs);
    QElapsedTimer clock;
    clock.start();
    // Two passings in a row, eight key events; the marker adds two. Nothing waits for them: not the
    // sends, nor a question on the injector's connection, which the X server would not answer before
    // delayed key events of its own had gone out.
    QStringList outcomes;
    for (const char* text : {"ab", "+c"}) {
        m_injector->send(parseKeyNotation(text).keys, [&outcomes, text](KeyOutcome outcome) {
            outcomes << QLatin1String(text) + (outcome == KeyOutcome::Typed ? " typed" : " not typed");
        });
    }
    DisplayProbe::roundTrip(m_injector->connection());
    const qint64 sending = clock.elapsed();
    QString events;
    QString typed;
    recordUntilMarker(*m_injector, &events, &typed);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(typed, QStringLiteral("abC"));
    QCOMPARE(outcomes, (QStringList{"ab typed", "+c typed"}));
    QVERIFY2(clock.elapsed() >= 9 * delayMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(sending < delayMs, qPrintable(QString::number(sending)));
}

void TestXTestInjection::letsGoOfModifiersTheUserHolds()
{
    // Shift held on the keyboard would make "a1" into "A!".
    constexpr unsigned long shiftL = 0xffe1;
    m_probe->holdKey(shiftL, true);
    type(*m_injector, QStringLiteral("a1"));
    QString events;
    QString typed;
    recordUntilMarker(*m_injector, &events, &typed);
    m_probe->holdKey(shiftL, false);
    // The last release is the marker's own send letting go of the key again.
    QTRY_VERIFY_WITH_TIMEOUT(m_lines.contains(QStringLiteral("release Shift_L Shift_L")), eventTimeoutMs);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(typed, QStringLiteral("a1"));
    QCOMPARE(events, QStringLiteral("+Shift_L -Shift_L +a -a +1 -1 +Shift_L -Shift_L"));
}

void TestXTestInjection::usesAltGrOnALayoutThatNeedsIt()
{
    QVERIFY(m_probe->loadKeymap(QStringLiteral("evdev+aliases(qwertz)"), QStringLiteral("pc+de+inet(evdev)")));
    type(*m_injector, QStringLiteral("€@zñ"));
    QString events;
    QString typed;
    recordUntilMarker(*m_injector, &events, &typed);
    QVERIFY(m_probe->loadKeymap(QStringLiteral("evdev+aliases(qwerty)"), QStringLiteral("pc+us+inet(evdev)")));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(events, QStringLiteral("+ISO_Level3_Shift +e:EuroSign -e:EuroSign -ISO_Level3_Shift "
                                    "+ISO_Level3_Shift +q:at -q:at -ISO_Level3_Shift +z -z +ntilde -ntilde"));
    QCOMPARE(typed, QStringLiteral("€@zñ"));
}

void TestXTestInjection::typesCharactersOfTheActiveGroup()
{
    // With a second group, a character of the inactive group goes through a spare key rather than
    // a group switch, and the active group's keys type what that group says.
    QVERIFY(m_probe->loadKeymap(QStringLiteral("evdev+aliases(qwerty)"), QStringLiteral("pc+us+ru:2+inet(evdev)")));
    type(*m_injector, QStringLiteral("aж"));
    QString firstGroupEvents;
    QString firstGroupText;
    recordUntilMarker(*m_injector, &firstGroupEvents, &firstGroupText);

    m_probe->lockGroup(1);
    type(*m_injector, QStringLiteral("жa"));
    QString secondGroupEvents;
    QString secondGroupText;
    if (!QTest::currentTestFailed())
        recordUntilMarker(*m_injector, &secondGroupEvents, &secondGroupText);

    m_probe->lockGroup(0);
    QVERIFY(m_probe->loadKeymap(QStringLiteral("evdev+aliases(qwerty)"), QStringLiteral("pc+us+inet(evdev)")));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(firstGroupEvents, QStringLiteral("+a -a +Cyrillic_zhe -Cyrillic_zhe"));
    QCOMPARE(firstGroupText, QStringLiteral("aж"));
    QCOMPARE(secondGroupEvents, QStringLiteral("+Cyrillic_zhe -Cyrillic_zhe +a -a"));
    QCOMPARE(secondGroupText, QStringLiteral("жa"));
}

QTEST_GUILESS_MAIN(TestXTestInjection)
#include "TestXTestInjection.moc"
