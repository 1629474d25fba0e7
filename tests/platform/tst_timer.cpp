#include "platform/timer.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <vector>

namespace {

// Tells ticks delivered in one wake-up from ticks of separate wake-ups: a
// zero-delay timer only runs once control is back in the event loop.
class BurstCounter {
public:
    void tick()
    {
        if (!m_inBurst) {
            bursts.push_back(0);
            m_inBurst = true;
            QTimer::singleShot(0, [this] { m_inBurst = false; });
        }
        ++bursts.back();
    }

    std::vector<int> bursts;

private:
    bool m_inBurst = false;
};

} // namespace

class tst_Timer : public QObject {
    Q_OBJECT

private slots:
    void lookaheadDeliversQuietTicksTogether();
    void withoutLookaheadEveryTickWakes();
    void disableMidBurstStopsAtOnce();
};

void tst_Timer::lookaheadDeliversQuietTicksTogether()
{
    BurstCounter counter;
    int ticks = 0;
    platform::Timer timer([&] {
        counter.tick();
        ++ticks;
    });
    timer.setInterval(10);
    timer.setLookahead([&] { return std::int64_t{5}; });
    timer.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 20, 5000);
    timer.setEnabled(false);
    for (std::size_t i = 0; i < 4; ++i)
        QCOMPARE(counter.bursts.at(i), 5);
}

void tst_Timer::withoutLookaheadEveryTickWakes()
{
    BurstCounter counter;
    int ticks = 0;
    platform::Timer timer([&] {
        counter.tick();
        ++ticks;
    });
    timer.setInterval(10);
    timer.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 20, 5000);
    timer.setEnabled(false);
    // A busy machine may merge a few, but most ticks come on their own.
    QVERIFY2(counter.bursts.size() >= 10, qPrintable(QString::number(counter.bursts.size())));
}

void tst_Timer::disableMidBurstStopsAtOnce()
{
    int ticks = 0;
    platform::Timer *self = nullptr;
    platform::Timer timer([&] {
        if (++ticks == 3)
            self->setEnabled(false); // the 21st step starting a pause
    });
    self = &timer;
    timer.setInterval(10);
    timer.setLookahead([] { return std::int64_t{5}; });
    timer.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 5000);
    QTest::qWait(150);
    QCOMPARE(ticks, 3);
    QVERIFY(!timer.isEnabled());
}

QTEST_GUILESS_MAIN(tst_Timer)
#include "tst_timer.moc"
