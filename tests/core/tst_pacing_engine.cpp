// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pacing_engine.h"

#include "core/exercise_state.h"
#include "core/module1.h"
#include "platform/random_source.h"
#include "tests/support/exercise_rig.h"

#include <QTest>

#include <cstdint>
#include <limits>
#include <memory>

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();

// The exercise window as the core sees it: state, view, engine, timers.
struct Rig : ExerciseRig {
    Rig(std::int32_t interval, std::int32_t step)
        : ExerciseRig(interval, step)
    {
    }

    core::PacingEngine &engine = exercise.engine();

    // Ticks until the interval display is first written; returns that tick.
    int ticksToFirstStep()
    {
        int ticks = 0;
        while (view.intervalText.empty() && ticks < 1'000'000) {
            engine.Timer1_Timer();
            ++ticks;
        }
        return ticks;
    }

    void runSeries(int count)
    {
        const auto target = view.series.size() + static_cast<std::size_t>(count);
        runUntil([&] { return view.series.size() >= target && !view.pauseEnabled; }, std::chrono::hours(300));
    }
};

} // namespace

class tst_PacingEngine : public QObject {
    Q_OBJECT

private slots:
    void firstStepTick_data();
    void firstStepTick();
    void loadShowsNothingUntilFirstStep();
    void tenFlashesThenPause();
    void seriesAndSpeedUpCycle();
    void speedUpFloor_data();
    void speedUpFloor();
    void speedButtons_data();
    void speedButtons();
    void clickActsOnPacingAtOnceAndDisplayLater();
    void clickDuringPause();
    void pauseEndsIntoBlankSeries();
    void nonPositiveIntervalStepsEveryTick();
    void elapsedNeverOverflows();
    void ticksUntilStepIsExact_data();
    void ticksUntilStepIsExact();
    void simulatedDay();
};

void tst_PacingEngine::firstStepTick_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("expectedTick");
    QTest::newRow("default 2000") << 2000 << 100;
    QTest::newRow("1900") << 1900 << 95;
    QTest::newRow("odd 1905, half is 952.5") << 1905 << 96;
    QTest::newRow("odd 1901, half is 950.5") << 1901 << 95;
    QTest::newRow("even 1902, 951 is not more than 951") << 1902 << 96;
    QTest::newRow("100") << 100 << 5;
    QTest::newRow("22: 11 is not more than 11") << 22 << 2;
    QTest::newRow("21 and below: every tick") << 21 << 1;
    QTest::newRow("zero") << 0 << 1;
    QTest::newRow("negative") << -500 << 1;
    QTest::newRow("most negative") << int32Min << 1;
}

void tst_PacingEngine::firstStepTick()
{
    QFETCH(int, interval);
    QFETCH(int, expectedTick);
    Rig rig(interval, 100);
    QCOMPARE(rig.ticksToFirstStep(), expectedTick);
    QVERIFY(rig.view.stimulusVisible);
    // Every later half cycle takes as many ticks, since the count restarts at 1.
    rig.view.intervalText.clear();
    QCOMPARE(rig.ticksToFirstStep(), expectedTick);
    QVERIFY(!rig.view.stimulusVisible);
}

void tst_PacingEngine::loadShowsNothingUntilFirstStep()
{
    Rig rig(2000, 100);
    QCOMPARE(rig.view.draws, 1);
    QVERIFY(!rig.view.stimulusText.empty());
    for (int tick = 1; tick < 100; ++tick)
        rig.engine.Timer1_Timer();
    QVERIFY(!rig.view.stimulusVisible);
    QVERIFY(rig.view.intervalText.empty());
    QVERIFY(rig.view.seriesText.empty());
    QCOMPARE(rig.view.draws, 1);

    rig.engine.Timer1_Timer();
    QVERIFY(rig.view.stimulusVisible);
    QCOMPARE(rig.view.intervalText, std::string("2000"));
    QCOMPARE(rig.view.seriesText, std::string("1"));
    QCOMPARE(rig.view.draws, 2);
}

void tst_PacingEngine::tenFlashesThenPause()
{
    Rig rig(2000, 100);
    int shows = 0;
    bool wasVisible = false;
    for (int tick = 1; tick <= 2099; ++tick) {
        rig.engine.Timer1_Timer();
        if (rig.view.stimulusVisible && !wasVisible)
            ++shows;
        wasVisible = rig.view.stimulusVisible;
        QVERIFY2(!rig.view.pauseVisible, "pause before the 21st step");
    }
    QCOMPARE(shows, 10);
    QVERIFY(!rig.view.stimulusVisible); // the 20th step hid the tenth flash

    rig.engine.Timer1_Timer(); // tick 2100: the 21st step
    QVERIFY(rig.view.pauseVisible);
    QVERIFY(!rig.view.stimulusVisible);
    QVERIFY(!rig.view.pacingEnabled);
    QVERIFY(rig.view.pauseEnabled);
    QCOMPARE(rig.view.pauseInterval, 3500);
    QCOMPARE(rig.state.step_count, std::int16_t{0});
    QCOMPARE(rig.state.series_count, std::int16_t{1});
    QCOMPARE(rig.view.draws, 22);
}

void tst_PacingEngine::seriesAndSpeedUpCycle()
{
    Rig rig(2000, 100);
    rig.runSeries(7);
    const auto &series = rig.view.series;
    QCOMPARE(series.size(), std::size_t{7});

    const char *seriesTexts[] = {"1", "2", "3", "1", "2", "3", "1"};
    const char *intervalTexts[] = {"2000", "2000", "2000", "1900", "1900", "1900", "1800"};
    const std::int32_t pauses[] = {3500, 3500, 5500, 3500, 3500, 5500, 3500};
    for (std::size_t i = 0; i < series.size(); ++i) {
        QCOMPARE(series[i].shows, 10);
        QCOMPARE(series[i].seriesText, std::string(seriesTexts[i]));
        QCOMPARE(series[i].intervalText, std::string(intervalTexts[i]));
        QCOMPARE(series[i].pauseMs, pauses[i]);
    }
    QCOMPARE(rig.state.flash_interval, 1800);
}

void tst_PacingEngine::speedUpFloor_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("expected");
    QTest::newRow("default") << 2000 << 100 << 1900;
    QTest::newRow("lands on the floor") << 200 << 100 << 100;
    QTest::newRow("would fall below") << 150 << 100 << 100;
    QTest::newRow("already below: raised") << 40 << 100 << 100;
    QTest::newRow("acceleration 0 keeps it") << 2000 << 0 << 2000;
    QTest::newRow("negative acceleration lengthens") << 2000 << -100 << 2100;
    QTest::newRow("zero interval") << 0 << 100 << 100;
    QTest::newRow("negative interval") << -300 << 100 << 100;
    QTest::newRow("top edge, negative step saturates") << int32Max << -100 << int32Max;
    QTest::newRow("bottom edge, step saturates then floors") << int32Min << 100 << 100;
    QTest::newRow("most negative step from 0") << 0 << int32Min << int32Max;
    QTest::newRow("both most negative") << int32Min << int32Min << 0;
    QTest::newRow("largest step from largest") << int32Max << int32Max << int32Max;
}

void tst_PacingEngine::speedUpFloor()
{
    QFETCH(int, interval);
    QFETCH(int, step);
    QFETCH(int, expected);
    Rig rig(interval, step);
    // Leave the engine one step short of the end of the third series.
    rig.state.series_count = 2;
    rig.state.step_count = 20;
    rig.state.elapsed_ms = int32Max - 5;
    rig.engine.Timer1_Timer();
    QVERIFY(rig.view.pauseVisible);
    QCOMPARE(rig.view.pauseInterval, 5500);
    QCOMPARE(rig.state.flash_interval, expected);
    QCOMPARE(rig.state.series_count, std::int16_t{0});
}

void tst_PacingEngine::speedButtons_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("faster");
    QTest::addColumn<int>("slower");
    QTest::addColumn<int>("expected");
    QTest::newRow("faster once") << 2000 << 100 << 1 << 0 << 1900;
    QTest::newRow("slower once") << 2000 << 100 << 0 << 1 << 2100;
    QTest::newRow("faster has no floor") << 150 << 100 << 3 << 0 << -150;
    QTest::newRow("faster at the bottom edge saturates") << int32Min + 50 << 7 << 2 << 0 << int32Min;
    QTest::newRow("slower at the top edge saturates") << int32Max - 50 << 7 << 0 << 2 << int32Max;
    QTest::newRow("a thousand of each return") << 2000 << 0 << 1000 << 1000 << 2000;
}

void tst_PacingEngine::speedButtons()
{
    QFETCH(int, interval);
    QFETCH(int, step);
    QFETCH(int, faster);
    QFETCH(int, slower);
    QFETCH(int, expected);
    Rig rig(interval, step);
    for (int i = 0; i < faster; ++i)
        rig.engine.Command1_Click();
    for (int i = 0; i < slower; ++i)
        rig.engine.Command2_Click();
    QCOMPARE(rig.state.flash_interval, expected);
    QCOMPARE(rig.state.speed_step, 100); // the typed acceleration is replaced
}

void tst_PacingEngine::clickActsOnPacingAtOnceAndDisplayLater()
{
    Rig rig(2000, 100);
    QCOMPARE(rig.ticksToFirstStep(), 100);
    for (int tick = 0; tick < 50; ++tick)
        rig.engine.Timer1_Timer();
    for (int click = 0; click < 11; ++click)
        rig.engine.Command1_Click(); // 900: half is 450, and 501 ms have gone by
    QCOMPARE(rig.view.intervalText, std::string("2000"));

    rig.engine.Timer1_Timer();
    QCOMPARE(rig.view.intervalText, std::string("900"));
    QVERIFY(!rig.view.stimulusVisible);
    // From now on a half cycle is 45 ticks.
    rig.view.intervalText.clear();
    QCOMPARE(rig.ticksToFirstStep(), 45);
}

void tst_PacingEngine::clickDuringPause()
{
    Rig rig(2000, 100);
    rig.runUntil([&] { return rig.view.pauseEnabled; }, 100s);
    rig.engine.Command2_Click();
    QCOMPARE(rig.view.intervalText, std::string("2000"));
    rig.runSeries(1);
    QCOMPARE(rig.view.series.back().intervalText, std::string("2100"));
}

void tst_PacingEngine::pauseEndsIntoBlankSeries()
{
    Rig rig(2000, 100);
    rig.runUntil([&] { return rig.view.pauseEnabled; }, 100s);
    const auto pauseStart = rig.elapsedMs();
    const int drawsBefore = rig.view.draws;
    rig.runUntil([&] { return !rig.view.pauseEnabled; }, 100s);
    QCOMPARE(rig.elapsedMs() - pauseStart, 3500);
    QVERIFY(!rig.view.pauseVisible);
    QVERIFY(!rig.view.stimulusVisible);
    QVERIFY(rig.view.pacingEnabled);
    QCOMPARE(rig.view.draws, drawsBefore + 1);
    QCOMPARE(rig.state.elapsed_ms, 1);

    // The first flash of the new series comes one half cycle after the pause.
    rig.runUntil([&] { return rig.view.stimulusVisible; }, 100s);
    QCOMPARE(rig.elapsedMs() - pauseStart, 3500 + 1000);
    QCOMPARE(rig.view.seriesText, std::string("2"));
}

void tst_PacingEngine::nonPositiveIntervalStepsEveryTick()
{
    Rig rig(-1000, 100);
    for (int tick = 1; tick <= 20; ++tick) {
        rig.engine.Timer1_Timer();
        QCOMPARE(rig.state.step_count, std::int16_t(tick));
    }
    rig.runSeries(3);
    QCOMPARE(rig.view.series[2].pauseMs, 5500);
    QCOMPARE(rig.state.flash_interval, 100);
}

void tst_PacingEngine::elapsedNeverOverflows()
{
    Rig rig(int32Max, 100);
    rig.state.elapsed_ms = int32Max - 3;
    rig.engine.Timer1_Timer(); // saturates, so it exceeds any half interval
    QCOMPARE(rig.state.elapsed_ms, 1);
    QCOMPARE(rig.view.intervalText, std::string("2147483647"));
}

void tst_PacingEngine::ticksUntilStepIsExact_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("elapsed");
    QTest::addColumn<int>("expected");
    QTest::newRow("fresh default") << 2000 << 1 << 100;
    QTest::newRow("halfway") << 2000 << 501 << 50;
    QTest::newRow("odd 1905") << 1905 << 1 << 96;
    QTest::newRow("one short of the half") << 1000 << 490 << 2;
    QTest::newRow("just past the half") << 1000 << 491 << 1;
    QTest::newRow("22") << 22 << 1 << 2;
    QTest::newRow("21") << 21 << 1 << 1;
    QTest::newRow("zero") << 0 << 1 << 1;
    QTest::newRow("most negative") << int32Min << 1 << 1;
    QTest::newRow("far past the half") << int32Max << int32Max - 25 << 1;
    QTest::newRow("already saturated") << int32Max << int32Max << 1;
}

void tst_PacingEngine::ticksUntilStepIsExact()
{
    QFETCH(int, interval);
    QFETCH(int, elapsed);
    QFETCH(int, expected);
    Rig rig(interval, 100);
    rig.state.elapsed_ms = elapsed;
    QCOMPARE(rig.engine.ticksUntilStep(), std::int64_t{expected});
    int ticks = 0;
    while (rig.state.step_count == 0) {
        rig.engine.Timer1_Timer();
        ++ticks;
    }
    QCOMPARE(ticks, expected);
}

void tst_PacingEngine::simulatedDay()
{
    Rig rig(2000, 100);
    rig.time.runUntil(rig.origin + std::chrono::hours(24));

    const auto &series = rig.view.series;
    QVERIFY(series.size() > 2000);
    int expectedInterval = 2000;
    for (std::size_t i = 0; i < series.size(); ++i) {
        if (series[i].shows != 10)
            QFAIL(qPrintable(QStringLiteral("series %1 had %2 flashes").arg(i).arg(series[i].shows)));
        if (series[i].intervalText != std::to_string(expectedInterval))
            QFAIL(qPrintable(QStringLiteral("series %1 ran at %2, not %3")
                                 .arg(i)
                                 .arg(QString::fromStdString(series[i].intervalText))
                                 .arg(expectedInterval)));
        if (i % 3 == 2 && expectedInterval > 100)
            expectedInterval -= 100;
    }
    QCOMPARE(series.back().intervalText, std::string("100"));
}

QTEST_APPLESS_MAIN(tst_PacingEngine)
#include "tst_pacing_engine.moc"
