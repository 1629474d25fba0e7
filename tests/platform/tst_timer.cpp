#include "platform/timer.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <algorithm>
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
    void burstsFollowTheLookahead_data();
    void burstsFollowTheLookahead();
    void disableMidBurstStopsAtOnce();
};

void tst_Timer::burstsFollowTheLookahead_data()
{
    QTest::addColumn<int>("lookahead"); // 0: none
    QTest::addColumn<int>("burstSize");
    QTest::newRow("no lookahead: a wake-up per tick") << 0 << 1;
    QTest::newRow("lookahead 5: quiet ticks come with the fifth") << 5 << 5;
}

void tst_Timer::burstsFollowTheLookahead()
{
    QFETCH(int, lookahead);
    QFETCH(int, burstSize);
    BurstCounter counter;
    int ticks = 0;
    platform::Timer timer([&] {
        counter.tick();
        ++ticks;
    });
    timer.setInterval(10);
    if (lookahead)
        timer.setLookahead([&] { return std::int64_t{lookahead}; });
    timer.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 20, 5000);
    timer.setEnabled(false);
    // A busy machine may merge a few wake-ups, never split a burst.
    const auto sized = std::count(counter.bursts.begin(), counter.bursts.end(), burstSize);
    QVERIFY2(sized * 2 >= std::ptrdiff_t(counter.bursts.size()), qPrintable(QString::number(sized)));
    for (const int burst : counter.bursts)
        QCOMPARE(burst % burstSize, 0);
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
