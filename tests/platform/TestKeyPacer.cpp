#include "fakes/ManualTimer.h"
#include "platform/pacing/KeyPacer.h"

#include <QtTest>

using namespace orvanel;
using orvanel::test::ManualTimer;

namespace {

// A key-stroke of one key event per character: "ab" is 'a' then 'b'.
KeySequence keys(const char* text)
{
    KeySequence sequence;
    for (const char* c = text; *c; ++c)
        sequence.push_back(KeyEvent::tap(static_cast<char32_t>(*c)));
    return sequence;
}

// Writes each key event as its character and the time it was typed, "a@0", once it is flushed: an event
// the pacer leaves unflushed never shows.
class RecordingTypist : public KeyPacer::Typist
{
public:
    explicit RecordingTypist(const ManualTimer& clock) : m_clock(clock) {}

    bool begin(const KeySequence& sequence) override
    {
        if (refuse)
            return false;
        m_left.assign(sequence.begin(), sequence.end());
        return true;
    }
    bool typeNext() override
    {
        if (m_left.empty())
            return false;
        m_kept << QStringLiteral("%1@%2").arg(QChar(m_left.front().character)).arg(m_clock.now());
        m_left.erase(m_left.begin());
        return true;
    }
    void flush() override
    {
        typed << m_kept;
        m_kept.clear();
    }

    QStringList typed;
    bool refuse = false;

private:
    const ManualTimer& m_clock;
    KeySequence m_left;
    QStringList m_kept;
};

} // namespace

class TestKeyPacer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void withoutADelayKeyStrokesAreTypedWithinSend();
    void withADelayKeyEventsComeOutOnTheTimerInOrder();
    void whereKeysWouldLandIsAskedWhenTheirTurnComes();
    void aFloodIsBoundedByHowLongAKeyStrokeMayWait();
    void cancellingFinishesTheKeyStrokeUnderWay();

private:
    // Records what became of a key-stroke as "name: outcome".
    KeyInjector::Done recordAs(const char* name);
    void send(const char* text) { m_pacer->send(keys(text), recordAs(text)); }
    void runTimer();

    ManualTimer* m_timer = nullptr;
    std::unique_ptr<RecordingTypist> m_typist;
    std::unique_ptr<KeyPacer> m_pacer;
    QStringList m_outcomes;
};

void TestKeyPacer::init()
{
    m_pacer.reset();
    auto timer = std::make_unique<ManualTimer>();
    m_timer = timer.get();
    m_typist = std::make_unique<RecordingTypist>(*m_timer);
    m_pacer = std::make_unique<KeyPacer>(*m_typist, [this] { return static_cast<std::uint64_t>(m_timer->now()); });
    m_pacer->setDelay(10, std::move(timer));
    m_outcomes.clear();
}

KeyInjector::Done TestKeyPacer::recordAs(const char* name)
{
    return [this, name](KeyOutcome outcome) {
        static const char* const names[] = {"typed",  "own window", "no focus", "too late",
                                            "no key", "no backend", "cancelled"};
        m_outcomes << QString::fromLatin1(name) + QStringLiteral(": ") +
                          QLatin1String(names[static_cast<int>(outcome)]);
    };
}

void TestKeyPacer::runTimer()
{
    while (m_timer->isActive())
        m_timer->advance(1);
}

void TestKeyPacer::withoutADelayKeyStrokesAreTypedWithinSend()
{
    KeyPacer direct(*m_typist, [] { return std::uint64_t{0}; });
    direct.send(keys("ab"), recordAs("ab"));
    direct.send(keys("c"), recordAs("c"));
    QCOMPARE(m_typist->typed, (QStringList{"a@0", "b@0", "c@0"}));
    QCOMPARE(m_outcomes, (QStringList{"ab: typed", "c: typed"}));
}

void TestKeyPacer::withADelayKeyEventsComeOutOnTheTimerInOrder()
{
    // The first event goes out at once, each later one a delay after the one before, also across
    // key-strokes; a key-stroke sent meanwhile, or by the handler of one just typed, waits its turn.
    send("ab");
    QCOMPARE(m_typist->typed, QStringList{"a@0"});
    QVERIFY(m_outcomes.isEmpty());
    m_timer->advance(5);
    send("cd");
    m_pacer->send(keys("e"), [this](KeyOutcome) { send("f"); });
    runTimer();
    QCOMPARE(m_typist->typed, (QStringList{"a@0", "b@10", "c@20", "d@30", "e@40", "f@50"}));
    QCOMPARE(m_outcomes, (QStringList{"ab: typed", "cd: typed", "f: typed"}));
    // Idle again: the next key-stroke goes out at once.
    m_timer->advance(100);
    send("g");
    QCOMPARE(m_typist->typed.last(), QStringLiteral("g@160"));
}

void TestKeyPacer::whereKeysWouldLandIsAskedWhenTheirTurnComes()
{
    KeyTarget target = KeyTarget::OtherProgram;
    int asked = 0;
    m_pacer->setTargetCheck([&] {
        ++asked;
        return target;
    });
    send("ab");
    send("c");
    send("d");
    // The focus goes while "ab" is typed: its second key goes out all the same, the next are not typed.
    target = KeyTarget::Nobody;
    m_timer->advance(10);
    QCOMPARE(asked, 1);
    m_timer->advance(10);
    QCOMPARE(asked, 3);
    target = KeyTarget::OwnWindow;
    send("e");
    target = KeyTarget::OtherProgram;
    m_typist->refuse = true;
    send("f");
    m_typist->refuse = false;
    send("g");
    runTimer();
    QCOMPARE(m_typist->typed, (QStringList{"a@0", "b@10", "g@20"}));
    QCOMPARE(m_outcomes,
             (QStringList{"ab: typed", "c: no focus", "d: no focus", "e: own window", "f: no key", "g: typed"}));
}

void TestKeyPacer::aFloodIsBoundedByHowLongAKeyStrokeMayWait()
{
    // A thousand key-strokes of two events at once, 10 ms apart: one starts every 20 ms, so those
    // whose turn comes after 5 s are not typed, and every one is accounted for.
    constexpr int passings = 1000;
    for (int i = 0; i < passings; ++i)
        send("xy");
    runTimer();
    constexpr int inTime = static_cast<int>(kMaxKeyWaitMs / 20) + 1;
    QCOMPARE(m_outcomes.count(QStringLiteral("xy: typed")), inTime);
    QCOMPARE(m_outcomes.count(QStringLiteral("xy: too late")), passings - inTime);
    QCOMPARE(m_typist->typed.size(), 2 * inTime);
    QCOMPARE(m_typist->typed.last(), QStringLiteral("y@%1").arg(kMaxKeyWaitMs + 10));
    QCOMPARE(m_outcomes.indexOf(QStringLiteral("xy: too late")), inTime);
}

void TestKeyPacer::cancellingFinishesTheKeyStrokeUnderWay()
{
    // No key may stay down: the key-stroke under way goes out whole at once; the others are told.
    send("abc");
    send("d");
    m_pacer->cancelQueued();
    QCOMPARE(m_typist->typed, (QStringList{"a@0", "b@0", "c@0"}));
    QCOMPARE(m_outcomes, (QStringList{"abc: typed", "d: cancelled"}));
    QVERIFY(!m_timer->isActive());
    send("e");
    QCOMPARE(m_typist->typed.last(), QStringLiteral("e@0"));
}

QTEST_GUILESS_MAIN(TestKeyPacer)
#include "TestKeyPacer.moc"
