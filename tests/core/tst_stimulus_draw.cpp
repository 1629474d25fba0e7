// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stimulus_draw.h"

#include "core/exercise_state.h"
#include "core/module1.h"
#include "platform/random_source.h"
#include "platform/runtime_error.h"
#include "tests/support/fake_view.h"

#include <QTest>

#include <array>
#include <cctype>
#include <map>
#include <string>

namespace {

struct Tally {
    std::array<int, 21> vowelSlots{};
    std::array<int, 21> consonantSlots{};
    std::map<char, int> endings;
    int draws = 0;
    int repeats = 0;
};

Tally drawMany(const platform::Clock &clock, int count)
{
    platform::RandomSource random(clock, 7);
    core::ExerciseState state;
    core::fillDefaults(state);
    FakeView view;
    Tally tally;
    std::string previous;
    for (int i = 0; i < count; ++i) {
        core::drawStimulus(state, view, random);
        ++tally.vowelSlots.at(static_cast<std::size_t>(*state.vowel_index));
        ++tally.consonantSlots.at(static_cast<std::size_t>(*state.consonant_index));
        const std::string &text = view.stimulusText;
        if (text.size() < 2 || text.size() > 3)
            QTest::qFail(("wrong length: " + text).c_str(), __FILE__, __LINE__);
        for (const char c : text) {
            if (!std::islower(static_cast<unsigned char>(c)))
                QTest::qFail(("not a lower-case letter: " + text).c_str(), __FILE__, __LINE__);
        }
        ++tally.endings[text.back()];
        if (text == previous)
            ++tally.repeats;
        previous = text;
        ++tally.draws;
    }
    return tally;
}

double chiSquare(const std::array<int, 21> &counts, int first, int last, int total)
{
    const double expected = double(total) / (last - first + 1);
    double sum = 0;
    for (int slot = first; slot <= last; ++slot) {
        const double d = counts[static_cast<std::size_t>(slot)] - expected;
        sum += d * d / expected;
    }
    return sum;
}

} // namespace

class tst_StimulusDraw : public QObject {
    Q_OBJECT

private slots:
    void distribution_data();
    void distribution();
    void drawLeavesVisibilityAlone();
    void badSubscriptIsReportedNotRead_data();
    void badSubscriptIsReportedNotRead();
};

void tst_StimulusDraw::distribution_data()
{
    QTest::addColumn<bool>("frozen");
    QTest::newRow("clock moving") << false;
    QTest::newRow("clock frozen") << true;
}

void tst_StimulusDraw::distribution()
{
    QFETCH(bool, frozen);
    const HandClock clock = frozen ? frozenClock() : HandClock(std::chrono::seconds(1), std::chrono::microseconds(3));
    constexpr int draws = 180'000;
    const Tally tally = drawMany(clock, draws);
    QCOMPARE(tally.draws, draws);

    // Only the drawable slots are ever hit: never slot 0, never the number texts.
    QCOMPARE(tally.vowelSlots[0] + tally.vowelSlots[17] + tally.vowelSlots[18], 0);
    QCOMPARE(tally.consonantSlots[0] + tally.consonantSlots[19] + tally.consonantSlots[20], 0);

    // 99.9% points of chi-square: 37.70 for 15 degrees of freedom, 40.79 for 17.
    QVERIFY2(chiSquare(tally.vowelSlots, 1, 16, draws) < 37.70, "vowel slots not uniform");
    QVERIFY2(chiSquare(tally.consonantSlots, 1, 18, draws) < 40.79, "consonant slots not uniform");

    // "f" stands in three slots, "l", "p" and "r" in one each.
    const auto at = [&](char c) { return tally.endings.count(c) ? tally.endings.at(c) : 0; };
    for (const char single : {'l', 'p', 'r'}) {
        const double ratio = double(at('f')) / at(single);
        QVERIFY2(ratio > 2.8 && ratio < 3.2, qPrintable(QStringLiteral("f/%1 = %2").arg(single).arg(ratio)));
    }
    const double tRatio = double(at('t')) / at('l');
    QVERIFY2(tRatio > 1.85 && tRatio < 2.15, "t stands twice as often as l");
    QCOMPARE(int(tally.endings.size()), 10); // t f s g k m l n p r

    // Independent draws repeat about as often as two random stimuli coincide
    // (under 2%); a re-seed that forgot the state would repeat far more.
    QVERIFY2(tally.repeats < draws / 50, qPrintable(QString::number(tally.repeats)));
}

void tst_StimulusDraw::drawLeavesVisibilityAlone()
{
    HandClock clock = frozenClock();
    platform::RandomSource random(clock);
    core::ExerciseState state;
    core::fillDefaults(state);
    FakeView view;
    for (const bool visible : {false, true}) {
        view.stimulusVisible = visible;
        const int before = view.draws;
        core::drawStimulus(state, view, random);
        QCOMPARE(view.draws, before + 1);
        QCOMPARE(view.stimulusVisible, visible);
    }
}

void tst_StimulusDraw::badSubscriptIsReportedNotRead_data()
{
    QTest::addColumn<int>("vowelCount");
    QTest::addColumn<int>("consonantCount");
    QTest::newRow("vowel slot past the table") << 400 << 18;
    QTest::newRow("consonant slot past the table") << 16 << 400;
    QTest::newRow("negative vowel slot") << -400 << 18;
}

void tst_StimulusDraw::badSubscriptIsReportedNotRead()
{
    QFETCH(int, vowelCount);
    QFETCH(int, consonantCount);
    HandClock clock = frozenClock();
    platform::RandomSource random(clock);
    core::ExerciseState state;
    core::fillDefaults(state);
    // Counts this large are impossible in the program; they force a bad slot.
    state.vowel_count = std::int16_t(vowelCount);
    state.consonant_count = std::int16_t(consonantCount);
    FakeView view;
    int reported = 0;
    platform::setRuntimeErrorHandler([&](const platform::RuntimeError &error) {
        QCOMPARE(error.code(), 9);
        ++reported;
    });
    int badDraws = 0;
    for (int i = 0; i < 200; ++i) {
        const int before = view.draws;
        core::drawStimulus(state, view, random);
        if (view.draws == before)
            ++badDraws;
    }
    platform::setRuntimeErrorHandler({});
    QVERIFY(reported > 100);
    QCOMPARE(badDraws, reported); // a reported draw writes no text
}

QTEST_APPLESS_MAIN(tst_StimulusDraw)
#include "tst_stimulus_draw.moc"
