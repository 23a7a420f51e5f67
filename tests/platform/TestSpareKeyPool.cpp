#include "platform/x11/SpareKeyPool.h"

#include <QtTest>

using namespace orvanel;
using namespace std::chrono_literals;

namespace {

using Clock = SpareKeyPool::Clock;

constexpr Keysym ntilde = 0xf1, Ntilde = 0xd1, euro = 0x20ac, eacute = 0xe9, Eacute = 0xc9, oslash = 0xf8;

const std::vector<Keysym> enye{ntilde, Ntilde};
const std::vector<Keysym> euroSign{euro};
const std::vector<Keysym> eAcute{eacute, Eacute};

KeyboardLayout::Key emptyKey()
{
    return {};
}

KeyboardLayout::Key boundKey(std::vector<Keysym> keysyms)
{
    KeyboardLayout::Key key;
    key.groups.push_back({0, {}, std::move(keysyms)});
    return key;
}

// Keys 93, 97, 120 and 248 are empty; 38 is an ordinary key.
KeyboardLayout layoutWithEmptyKeys()
{
    KeyboardLayout layout;
    layout.setKey(38, boundKey({0x61, 0x41}));
    for (unsigned keycode : {93u, 97u, 120u, 248u})
        layout.setKey(keycode, emptyKey());
    return layout;
}

QString describe(const std::optional<SpareKeyPool::Claim>& claim)
{
    if (!claim)
        return QStringLiteral("none");
    return QStringLiteral("key %1%2").arg(claim->keycode).arg(claim->needsBinding ? " bind" : "");
}

} // namespace

class TestSpareKeyPool : public QObject
{
    Q_OBJECT

private slots:
    void takesTheHighestEmptyKeys();
    void reusesTheKeyAlreadyBound();
    void neverRebindsAKeyWithinOneSend();
    void takesOverTheKeyUsedLongestAgo();
    void revertsAfterTheHoldTime();
    void touchKeepsABindingLonger();
    void takeAllBoundFreesEverything();
    void forgetsBindingsSomeoneElseReplaced();
    void keepsItsOwnBindings();
};

void TestSpareKeyPool::takesTheHighestEmptyKeys()
{
    SpareKeyPool pool(2, 1000ms);
    pool.update(layoutWithEmptyKeys());
    QVERIFY(pool.contains(248));
    QVERIFY(pool.contains(120));
    QVERIFY(!pool.contains(97));
    QVERIFY(!pool.contains(38));

    const auto now = Clock::now();
    QCOMPARE(describe(pool.claim(enye, 1, now)), QStringLiteral("key 248 bind"));
    QCOMPARE(describe(pool.claim(euroSign, 1, now)), QStringLiteral("key 120 bind"));
}

void TestSpareKeyPool::reusesTheKeyAlreadyBound()
{
    SpareKeyPool pool(2, 1000ms);
    pool.update(layoutWithEmptyKeys());
    const auto now = Clock::now();
    QCOMPARE(describe(pool.claim(enye, 1, now)), QStringLiteral("key 248 bind"));
    QCOMPARE(describe(pool.claim(enye, 1, now)), QStringLiteral("key 248"));
    QCOMPARE(describe(pool.claim(enye, 2, now + 10ms)), QStringLiteral("key 248"));
}

void TestSpareKeyPool::neverRebindsAKeyWithinOneSend()
{
    SpareKeyPool pool(2, 1000ms);
    pool.update(layoutWithEmptyKeys());
    const auto now = Clock::now();
    QVERIFY(pool.claim(enye, 7, now));
    QVERIFY(pool.claim(euroSign, 7, now));
    QCOMPARE(describe(pool.claim(eAcute, 7, now + 5s)), QStringLiteral("none"));
}

void TestSpareKeyPool::takesOverTheKeyUsedLongestAgo()
{
    SpareKeyPool pool(2, 1000ms);
    pool.update(layoutWithEmptyKeys());
    const auto start = Clock::now();
    QCOMPARE(describe(pool.claim(enye, 1, start + 10ms)), QStringLiteral("key 248 bind"));
    QCOMPARE(describe(pool.claim(euroSign, 2, start)), QStringLiteral("key 120 bind"));
    QCOMPARE(describe(pool.claim(eAcute, 3, start + 20ms)), QStringLiteral("key 120 bind"));
    QCOMPARE(describe(pool.claim(euroSign, 4, start + 30ms)), QStringLiteral("key 248 bind"));
}

void TestSpareKeyPool::revertsAfterTheHoldTime()
{
    SpareKeyPool pool(2, 1000ms);
    pool.update(layoutWithEmptyKeys());
    const auto start = Clock::now();
    QVERIFY(!pool.nextDue());
    QVERIFY(pool.claim(enye, 1, start));
    QVERIFY(pool.claim(euroSign, 2, start + 300ms));
    QCOMPARE(pool.nextDue(), std::optional<Clock::time_point>(start + 1000ms));

    QCOMPARE(pool.takeDue(start + 999ms), std::vector<unsigned>{});
    QCOMPARE(pool.takeDue(start + 1000ms), std::vector<unsigned>{248});
    QCOMPARE(pool.nextDue(), std::optional<Clock::time_point>(start + 1300ms));
    QCOMPARE(pool.takeDue(start + 2000ms), std::vector<unsigned>{120});
    QVERIFY(!pool.nextDue());
    // A key that was reverted is free again and must be bound anew.
    QCOMPARE(describe(pool.claim(enye, 3, start + 2000ms)), QStringLiteral("key 248 bind"));
}

void TestSpareKeyPool::touchKeepsABindingLonger()
{
    SpareKeyPool pool(2, 1000ms);
    pool.update(layoutWithEmptyKeys());
    const auto start = Clock::now();
    QVERIFY(pool.claim(enye, 1, start));
    pool.touch(248, 2, start + 800ms);
    QCOMPARE(pool.takeDue(start + 1000ms), std::vector<unsigned>{});
    QCOMPARE(pool.takeDue(start + 1800ms), std::vector<unsigned>{248});
}

void TestSpareKeyPool::takeAllBoundFreesEverything()
{
    SpareKeyPool pool(3, 1000ms);
    pool.update(layoutWithEmptyKeys());
    const auto now = Clock::now();
    QVERIFY(pool.claim(enye, 1, now));
    QVERIFY(pool.claim(euroSign, 1, now));
    std::vector<unsigned> bound = pool.takeAllBound();
    std::sort(bound.begin(), bound.end());
    QCOMPARE(bound, (std::vector<unsigned>{120, 248}));
    QCOMPARE(pool.takeAllBound(), std::vector<unsigned>{});
    QVERIFY(!pool.nextDue());
}

void TestSpareKeyPool::forgetsBindingsSomeoneElseReplaced()
{
    SpareKeyPool pool(2, 1000ms);
    pool.update(layoutWithEmptyKeys());
    const auto now = Clock::now();
    QVERIFY(pool.claim(enye, 1, now));

    // Another program bound key 248 and 120 to keysyms of its own; the pool must stay off both
    // and take the next empty keys instead.
    KeyboardLayout layout = layoutWithEmptyKeys();
    layout.setKey(248, boundKey({oslash}));
    layout.setKey(120, boundKey({euro}));
    pool.update(layout);
    QVERIFY(!pool.contains(248));
    QVERIFY(!pool.contains(120));
    QVERIFY(pool.contains(97));
    QVERIFY(pool.contains(93));
    QVERIFY(!pool.nextDue());
}

void TestSpareKeyPool::keepsItsOwnBindings()
{
    SpareKeyPool pool(2, 1000ms);
    pool.update(layoutWithEmptyKeys());
    const auto now = Clock::now();
    QVERIFY(pool.claim(enye, 1, now));

    KeyboardLayout layout = layoutWithEmptyKeys();
    layout.setKey(248, boundKey(enye));
    pool.update(layout);
    QCOMPARE(describe(pool.claim(enye, 2, now)), QStringLiteral("key 248"));

    // A new keyboard map that dropped the binding: the key is free again.
    pool.update(layoutWithEmptyKeys());
    QCOMPARE(describe(pool.claim(enye, 3, now)), QStringLiteral("key 248 bind"));
}

QTEST_GUILESS_MAIN(TestSpareKeyPool)
#include "TestSpareKeyPool.moc"
