#include "app/DesktopRace.h"
#include "app/MPal.h"
#include "app/RaceThread.h"
#include "fakes/FakeBridge.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingServices.h"
#include "mapping/KeyNotation.h"

#include <QLineEdit>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

namespace {

// Types at once, into a list the test reads once the thread has ended.
class ListKeyInjector : public KeyInjector
{
public:
    explicit ListKeyInjector(std::vector<KeySequence>& typed) : m_typed(typed) {}

private:
    void enqueue(const KeySequence& keys, Done done) override
    {
        m_typed.push_back(keys);
        if (done)
            done(KeyOutcome::Typed);
    }
    std::vector<KeySequence>& m_typed;
};

} // namespace

// The window with its race on the passing thread, a fake bridge and a recording key injector there.
class TestRaceThread : public QObject
{
    Q_OBJECT

private slots:
    void editDuringBurstTypesOldOrNewText();
};

// A key-stroke text edited while passings are being typed: each passing types the text as it stood
// before the edit or after it, whole, every passing once and in order.
void TestRaceThread::editDuringBurstTypesOldOrNewText()
{
    constexpr int kPassings = 2000;
    std::vector<KeySequence> typed;
    MemoryFiles files;
    FakeBridge* bridge = nullptr; // made, used and destroyed on the race's thread
    RaceThread::Factory factory = [&](Beeper& beeper) {
        RaceThread::Parts parts;
        parts.platform.keys = std::make_unique<ListKeyInjector>(typed);
        parts.platform.beeper = std::make_unique<CountingBeeper>();
        auto fake = std::make_unique<FakeBridge>();
        bridge = fake.get();
        parts.race = createDesktopRace(std::move(fake), *parts.platform.keys, beeper, files);
        return parts;
    };
    auto host = std::make_unique<RaceThread>(factory, nullptr);
    RaceThread& thread = *host;
    auto window = std::make_unique<MPal>(std::move(host));
    auto box = [&window](const char* name) { return window->findChild<QLineEdit*>(QString::fromLatin1(name)); };
    box("Text2_0")->setText(QStringLiteral("1"));
    box("Text3_0")->setText(QStringLiteral("abc{F1}"));
    box("Text2_1")->setText(QStringLiteral("2"));
    box("Text3_1")->setText(QStringLiteral("{F2}"));
    thread.begin(); // as the window does once shown; passings are typed while the rest is posted
    for (int i = 0; i < kPassings; ++i) {
        if (i == kPassings / 2)
            box("Text3_0")->setText(QStringLiteral("+xyz"));
        thread.run([&bridge, i](Race&) { bridge->pass(static_cast<std::int16_t>(1 + i % 2)); });
    }
    window.reset(); // waits for the thread to type everything posted

    const KeySequence before = parseKeyNotation("abc{F1}").keys;
    const KeySequence after = parseKeyNotation("+xyz").keys;
    const KeySequence other = parseKeyNotation("{F2}").keys;
    QCOMPARE(typed.size(), std::size_t(kPassings));
    for (int i = 0; i < kPassings; ++i) {
        const KeySequence& expected = i % 2 ? other : i < kPassings / 2 ? before : after;
        QVERIFY2(
            typed[i] == expected,
            qPrintable(QStringLiteral("passing %1 typed %2").arg(i).arg(QString::fromStdString(toString(typed[i])))));
    }
}

QTEST_MAIN(TestRaceThread)
#include "TestRaceThread.moc"
