// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/random_source.h"

#include "tests/support/hand_clock.h"

#include <QTest>

#include <set>

class tst_RandomSource : public QObject {
    Q_OBJECT

private slots:
    void valuesLieInUnitInterval();
    void reseedWithRepeatedClockKeepsMoving();
    void clockReadingChangesTheSequence();
};

void tst_RandomSource::valuesLieInUnitInterval()
{
    HandClock clock{std::chrono::nanoseconds{5}};
    platform::RandomSource random(clock, 1);
    double sum = 0;
    constexpr int count = 200'000;
    for (int i = 0; i < count; ++i) {
        const float value = random.next();
        if (!(value >= 0.0f && value < 1.0f))
            QFAIL(qPrintable(QString::number(double(value), 'g', 10)));
        sum += value;
    }
    QVERIFY(qAbs(sum / count - 0.5) < 0.005);
}

void tst_RandomSource::reseedWithRepeatedClockKeepsMoving()
{
    HandClock clock{std::chrono::nanoseconds{5}};
    platform::RandomSource random(clock, 1);
    std::set<float> seen;
    for (int i = 0; i < 1000; ++i) {
        random.randomize();
        seen.insert(random.next());
    }
    QVERIFY2(seen.size() > 990, qPrintable(QString::number(seen.size())));
}

void tst_RandomSource::clockReadingChangesTheSequence()
{
    HandClock clockA{std::chrono::nanoseconds{5}};
    HandClock clockB{std::chrono::nanoseconds{5}};
    clockB.reading += std::chrono::nanoseconds(1);
    platform::RandomSource a(clockA, 9);
    platform::RandomSource b(clockB, 9);
    platform::RandomSource sameAsA(clockA, 9);
    a.randomize();
    b.randomize();
    sameAsA.randomize();
    const float first = a.next();
    QCOMPARE(sameAsA.next(), first);
    QVERIFY(b.next() != first);
}

QTEST_APPLESS_MAIN(tst_RandomSource)
#include "tst_random_source.moc"
