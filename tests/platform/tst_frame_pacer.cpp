// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/frame_pacer.h"

#include <QTest>

#include <chrono>
#include <cmath>
#include <random>

using namespace std::chrono_literals;
using platform::FramePacer;
using Duration = FramePacer::Duration;

namespace {

Duration us(double microseconds)
{
    return Duration{static_cast<std::int64_t>(std::llround(microseconds * 1000))};
}

} // namespace

class tst_FramePacer : public QObject {
    Q_OBJECT

private slots:
    void learnsThePeriod_data();
    void learnsThePeriod();
    void aPauseIsNoPeriod();
    void eachChangeInItsNearestFrame_data();
    void eachChangeInItsNearestFrame();
};

// Frames `periodUs` apart; every `dropEvery`-th is missing (0: none); each
// frame time stamp off by up to `jitterUs`. The period learnt after
// `frames` frames, to within `toleranceUs`.
void tst_FramePacer::learnsThePeriod_data()
{
    QTest::addColumn<double>("periodUs");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("dropEvery");
    QTest::addColumn<double>("jitterUs");
    QTest::addColumn<double>("expectedUs");
    QTest::addColumn<double>("toleranceUs");
    QTest::newRow("no frames yet: 60 Hz") << 8333.3 << 1 << 0 << 0.0 << 16667.0 << 1.0;
    QTest::newRow("two gaps: still 60 Hz") << 8333.3 << 3 << 0 << 0.0 << 16667.0 << 1.0;
    QTest::newRow("60 Hz") << 16666.7 << 20 << 0 << 0.0 << 16666.7 << 1.0;
    QTest::newRow("120 Hz iPad") << 8333.3 << 20 << 0 << 0.0 << 8333.3 << 1.0;
    QTest::newRow("144 Hz, time stamps jitter") << 6944.4 << 40 << 0 << 300.0 << 6944.4 << 300.0;
    QTest::newRow("60 Hz, every 4th frame dropped") << 16666.7 << 40 << 4 << 0.0 << 16666.7 << 1.0;
    QTest::newRow("busy screen, every other frame") << 16666.7 << 40 << 2 << 0.0 << 33333.3 << 1.0;
    QTest::newRow("60 Hz on a clock of 0.1 ms steps") << 16666.7 << 40 << 0 << -100.0 << 16666.7 << 10.0;
    QTest::newRow("0.1 ms steps, every 4th dropped") << 16666.7 << 40 << 4 << -100.0 << 16666.7 << 10.0;
}

void tst_FramePacer::learnsThePeriod()
{
    QFETCH(double, periodUs);
    QFETCH(int, frames);
    QFETCH(int, dropEvery);
    QFETCH(double, jitterUs);
    QFETCH(double, expectedUs);
    QFETCH(double, toleranceUs);

    // A negative jitter stands for a browser's coarsened clock: each time
    // stamp rounded down to a multiple of that many µs.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(-std::abs(jitterUs) / 2, std::abs(jitterUs) / 2);
    FramePacer pacer;
    for (int i = 0; i < frames; ++i) {
        if (dropEvery && i % dropEvery == dropEvery - 1)
            continue;
        const double time = i * periodUs;
        pacer.onFrame(1h + us(jitterUs < 0 ? std::floor(time / -jitterUs) * -jitterUs : time + jitter(random)));
    }
    const double learnt = std::chrono::duration<double, std::micro>(pacer.period()).count();
    QVERIFY2(std::abs(learnt - expectedUs) <= toleranceUs, qPrintable(QString::number(learnt)));
}

void tst_FramePacer::aPauseIsNoPeriod()
{
    FramePacer pacer;
    for (int i = 0; i < 10; ++i)
        pacer.onFrame(1h + us(i * 8333.3));
    // Frames stop for 60 ms, three times over; those gaps would make it 60 ms.
    for (int round = 1; round <= 3; ++round) {
        pacer.pause();
        pacer.onFrame(1h + round * 1s);
    }
    QCOMPARE(std::chrono::round<std::chrono::microseconds>(pacer.period()), 8333us);
    QCOMPARE(pacer.lastMomentOf(2h), 2h + us(8333.3 / 2));
}

// A change is made in the first frame whose last moment reaches its due
// time; that frame must be the nearest to it: off by half a period at most.
void tst_FramePacer::eachChangeInItsNearestFrame_data()
{
    QTest::addColumn<double>("periodUs");
    QTest::newRow("60 Hz") << 16666.7;
    QTest::newRow("120 Hz") << 8333.3;
    QTest::newRow("75 Hz") << 13333.3;
}

void tst_FramePacer::eachChangeInItsNearestFrame()
{
    QFETCH(double, periodUs);
    std::mt19937 random(11);
    std::uniform_real_distribution<double> dueIn(0, 1'000'000); // up to a second ahead
    FramePacer pacer;
    const Duration start = 1h + us(std::uniform_real_distribution<double>(0, periodUs)(random));
    for (int i = 0; i < 10; ++i)
        pacer.onFrame(start + us(i * periodUs));
    const Duration period = us(periodUs);

    for (int change = 0; change < 2000; ++change) {
        const Duration due = start + us(10 * periodUs + dueIn(random));
        Duration frame = start + 9 * period;
        while (pacer.lastMomentOf(frame) < due)
            frame += period;
        const Duration off = frame > due ? frame - due : due - frame;
        QVERIFY2(off <= period / 2 + 1us, qPrintable(QStringLiteral("change %1 off by %2 ns")
                                                            .arg(change).arg(off.count())));
    }
}

QTEST_APPLESS_MAIN(tst_FramePacer)
#include "tst_frame_pacer.moc"
