// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/exercise_state.h"

#include "core/module1.h"

#include <QTest>

#include <string>

class tst_ExerciseState : public QObject {
    Q_OBJECT

private slots:
    void mainSetsStartValues();
    void tables_data();
    void tables();
    void mainHandsOverOnceAfterFilling();
};

void tst_ExerciseState::mainSetsStartValues()
{
    core::ExerciseState state;
    state.flash_interval = 7;
    state.speed_step = 7;
    state.elapsed_ms = 7;
    state.step_count = 7;
    state.series_count = 7;
    core::Main(state, {});
    QCOMPARE(state.flash_interval, 2000);
    QCOMPARE(state.speed_step, 100);
    QCOMPARE(state.elapsed_ms, 1);
    QCOMPARE(state.step_count, std::int16_t{0});
    QCOMPARE(state.series_count, std::int16_t{0});
    QCOMPARE(state.vowel_count, std::int16_t{16});
    QCOMPARE(state.consonant_count, std::int16_t{18});
    QVERIFY(!state.vowel_index.has_value());
    QVERIFY(!state.consonant_index.has_value());
}

void tst_ExerciseState::tables_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("vowel");
    QTest::addColumn<QString>("consonant");
    const char *rows[21][2] = {
        {"", ""},     {"a", "t"},   {"e", "f"},   {"i", "s"},   {"o", "f"},   {"u", "g"},
        {"ui", "k"},  {"eu", "m"},  {"aa", "k"},  {"oo", "l"},  {"ie", "m"},  {"ei", "n"},
        {"au", "p"},  {"ee", "r"},  {"uu", "s"},  {"ij", "t"},  {"ou", "f"},  {"17", "g"},
        {"18", "n"},  {"19", "19"}, {"20", "20"},
    };
    for (int slot = 0; slot < 21; ++slot) {
        QTest::addRow("slot %d", slot) << slot << QString::fromLatin1(rows[slot][0])
                                       << QString::fromLatin1(rows[slot][1]);
    }
}

void tst_ExerciseState::tables()
{
    QFETCH(int, slot);
    QFETCH(QString, vowel);
    QFETCH(QString, consonant);
    core::ExerciseState state;
    core::Main(state, {});
    QCOMPARE(QString::fromStdString(state.vowels.at(std::size_t(slot))), vowel);
    QCOMPARE(QString::fromStdString(state.consonants.at(std::size_t(slot))), consonant);
}

void tst_ExerciseState::mainHandsOverOnceAfterFilling()
{
    core::ExerciseState state;
    int calls = 0;
    core::Main(state, [&] {
        ++calls;
        QCOMPARE(state.vowels[16], std::string("ou"));
        QCOMPARE(state.flash_interval, 2000);
    });
    QCOMPARE(calls, 1);
}

QTEST_APPLESS_MAIN(tst_ExerciseState)
#include "tst_exercise_state.moc"
