// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/timer.h"

#include <QTest>

using namespace std::chrono_literals;
using platform::TickSchedule;

namespace {

int ms(TickSchedule::Duration d)
{
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

} // namespace

class tst_TickSchedule : public QObject {
    Q_OBJECT

private slots:
    void lateWakeUp_data();
    void lateWakeUp();
    void ticksComeOnePeriodApart();
};

// A 10 ms schedule started at 0, sleeping until the tick `awaitTicks` ahead,
// woken at `nowMs`: under a second after that tick nothing moves; a second or
// more, everything moves on by the lateness.
void tst_TickSchedule::lateWakeUp_data()
{
    QTest::addColumn<int>("awaitTicks");
    QTest::addColumn<int>("nowMs");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<int>("nextDueMs");
    QTest::addColumn<int>("awaitedMs");
    QTest::newRow("on time") << 1 << 10 << false << 10 << 10;
    QTest::newRow("early: a click before the wake-up") << 100 << 400 << false << 10 << 1000;
    QTest::newRow("100 ticks slept, 999 ms late") << 100 << 1999 << false << 10 << 1000;
    QTest::newRow("100 ticks slept, 1 s late") << 100 << 2000 << true << 1010 << 2000;
    QTest::newRow("one tick awaited, a minute late") << 1 << 60'010 << true << 60'010 << 60'010;
    QTest::newRow("a far step is awaited 10 s at a time") << 5'000'000 << 9'990 << false << 10 << 10'000;
    QTest::newRow("no tick ahead is taken as the next") << 0 << 10 << false << 10 << 10;
}

void tst_TickSchedule::lateWakeUp()
{
    QFETCH(int, awaitTicks);
    QFETCH(int, nowMs);
    QFETCH(bool, moved);
    QFETCH(int, nextDueMs);
    QFETCH(int, awaitedMs);
    TickSchedule schedule(10ms);
    schedule.start(0ms);
    schedule.awaitTick(awaitTicks);
    QCOMPARE(schedule.resumeIfLate(std::chrono::milliseconds(nowMs)), moved);
    QCOMPARE(ms(schedule.nextDue()), nextDueMs);
    QCOMPARE(ms(schedule.awaited()), awaitedMs);
}

void tst_TickSchedule::ticksComeOnePeriodApart()
{
    TickSchedule schedule(3500ms); // the pause timer
    schedule.start(2'100ms);
    QCOMPARE(ms(schedule.takeNext()), 5'600);
    QCOMPARE(ms(schedule.nextDue()), 9'100);
    schedule.setPeriod(0ms); // never faster than a tick a millisecond
    schedule.start(0ms);
    QCOMPARE(ms(schedule.takeNext()), 1);
    QCOMPARE(ms(schedule.takeNext()), 2);
    schedule.stop();
    QVERIFY(!schedule.isRunning());
}

QTEST_APPLESS_MAIN(tst_TickSchedule)
#include "tst_tick_schedule.moc"
