#include "platform/tick_schedule.h"

#include <QTest>

#include <vector>

using namespace std::chrono_literals;
using platform::TickSchedule;

namespace {

std::int64_t ms(TickSchedule::Duration d)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

} // namespace

class tst_TickSchedule : public QObject {
    Q_OBJECT

private slots:
    void catchUp_data();
    void catchUp();
    void stopMidBurst();
    void restartInsideHandler();
    void reEnableStartsAfresh();
    void oneShotUse();
};

// Wakes at the given times (ms after start at 0) and lists the due times delivered.
void tst_TickSchedule::catchUp_data()
{
    QTest::addColumn<QList<int>>("wakes");
    QTest::addColumn<QList<int>>("delivered");
    QTest::addColumn<int>("nextDue");
    QTest::newRow("on time") << QList<int>{10, 20, 30} << QList<int>{10, 20, 30} << 40;
    QTest::newRow("late wake-ups do not add up") << QList<int>{11, 21, 31} << QList<int>{10, 20, 30} << 40;
    QTest::newRow("early wake-up delivers nothing") << QList<int>{9, 10} << QList<int>{10} << 20;
    QTest::newRow("50 ms stall: every missed tick")
        << QList<int>{10, 65, 70} << QList<int>{10, 20, 30, 40, 50, 60, 70} << 80;
    QTest::newRow("exactly one second behind: all of it") << QList<int>{1000}
                                                           << [] { QList<int> l; for (int t = 10; t <= 1000; t += 10) l << t; return l; }()
                                                           << 1010;
    QTest::newRow("suspended for a minute: one second, then afresh")
        << QList<int>{60'000, 60'015}
        << [] { QList<int> l; for (int t = 10; t <= 1000; t += 10) l << t; l << 60'010; return l; }()
        << 60'020;
}

void tst_TickSchedule::catchUp()
{
    QFETCH(QList<int>, wakes);
    QFETCH(QList<int>, delivered);
    QFETCH(int, nextDue);
    TickSchedule schedule(10ms);
    schedule.start(0ms);
    QList<int> got;
    for (const int wake : wakes)
        schedule.deliver(std::chrono::milliseconds(wake), [&](auto due) { got << int(ms(due)); });
    QCOMPARE(got, delivered);
    QCOMPARE(ms(schedule.nextDue()), nextDue);
}

void tst_TickSchedule::stopMidBurst()
{
    TickSchedule schedule(10ms);
    schedule.start(0ms);
    int calls = 0;
    const int delivered = schedule.deliver(100ms, [&](auto) {
        if (++calls == 3)
            schedule.stop(); // the 21st step starts a pause
    });
    QCOMPARE(delivered, 3);
    QCOMPARE(calls, 3);
    QVERIFY(!schedule.isRunning());
    QCOMPARE(schedule.deliver(200ms, [&](auto) { ++calls; }), 0);
}

void tst_TickSchedule::restartInsideHandler()
{
    // A handler that disables and re-enables the timer moves its schedule to
    // one period after the moment it names.
    TickSchedule schedule(10ms);
    schedule.start(0ms);
    QList<int> got;
    schedule.deliver(50ms, [&](auto due) {
        got << int(ms(due));
        if (ms(due) == 20) {
            schedule.stop();
            schedule.start(due);
        }
    });
    QCOMPARE(got, (QList<int>{10, 20, 30, 40, 50}));
}

void tst_TickSchedule::reEnableStartsAfresh()
{
    TickSchedule schedule(10ms);
    schedule.start(0ms);
    schedule.deliver(25ms, [](auto) {});
    schedule.stop();
    schedule.start(3'527ms);
    QList<int> got;
    schedule.deliver(3'600ms, [&](auto due) { got << int(ms(due)); });
    QCOMPARE(got.first(), 3'537);
    QCOMPARE(got.size(), 7);
}

void tst_TickSchedule::oneShotUse()
{
    // The pause timer: due one period after enabling; its handler disables it.
    TickSchedule schedule(3500ms);
    schedule.start(2'100ms);
    int fired = 0;
    QCOMPARE(schedule.deliver(5'599ms, [&](auto) { ++fired; }), 0);
    QCOMPARE(schedule.deliver(5'601ms, [&](auto due) {
        QCOMPARE(ms(due), 5'600);
        ++fired;
        schedule.stop();
    }), 1);
    QCOMPARE(schedule.deliver(20'000ms, [&](auto) { ++fired; }), 0);
    QCOMPARE(fired, 1);
}

QTEST_APPLESS_MAIN(tst_TickSchedule)
#include "tst_tick_schedule.moc"
