// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/frm_werk.h"

#include "core/exercise_state.h"
#include "core/module1.h"
#include "platform/clock.h"
#include "platform/random_source.h"
#include "tests/support/manual_time.h"
#include "tests/support/show_hide_watch.h"
#include "tests/support/widget_helpers.h"
#include "windows/window_font.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

class tst_FrmWerk : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void window();
    void controls_data();
    void controls();
    void stimulusFont();
    void keyboardOrder();
    void accessibleNames_data();
    void accessibleNames();
    void shortenedExercise();
    void speedButtonsActOnTheNextStep();
    void lateClickBeforeASleptThroughStep_data();
    void lateClickBeforeASleptThroughStep();

private:
    template<typename T>
    T *control(const char *name)
    {
        return m_window->findChild<T *>(QString::fromLatin1(name));
    }
    void openWindow(std::int32_t interval);
    void runFor(std::chrono::nanoseconds span) { m_time->runUntil(m_time->now() + span); }

    platform::RandomSource m_random{platform::systemClock()};
    std::unique_ptr<ManualTime> m_time;
    core::ExerciseState m_state;
    std::unique_ptr<windows::frm_werk> m_window;
};

void tst_FrmWerk::init()
{
    core::fillDefaults(m_state);
    openWindow(2000);
}

void tst_FrmWerk::cleanup()
{
    m_window.reset();
}

void tst_FrmWerk::openWindow(std::int32_t interval)
{
    m_window.reset();
    m_time = std::make_unique<ManualTime>(); // the window's timers run only when a test says so
    core::fillDefaults(m_state);
    m_state.flash_interval = interval;
    m_window = std::make_unique<windows::frm_werk>(m_state, m_random, m_time->source);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_FrmWerk::window()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tarvelin"));
    QCOMPARE(m_window->size(), QSize(1016, 734));
    const auto flags = m_window->windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowMaximizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(m_window->maximumSize().width() > 1016); // resizable
}

void tst_FrmWerk::controls_data()
{
    addControlColumns();
    QTest::addColumn<QString>("className");
    // Twips divided by 15, worked out by hand.
    // The stimulus label holds the stimulus drawn at load: its text is not checked.
    QTest::newRow("txt_string") << "txt_string" << QString() << QRect(352, 288, 225, 97) << false << "QLabel";
    QTest::newRow("Picture1") << "Picture1" << "" << QRect(384, 280, 153, 113) << false << "QLabel";
    QTest::newRow("Command2") << "Command2" << "vertraag      100 msec" << QRect(904, 504, 81, 33) << true
                              << "windows::WrappingButton";
    QTest::newRow("Command1") << "Command1" << "versnel        100 msec" << QRect(904, 552, 81, 33) << true
                              << "windows::WrappingButton";
    QTest::newRow("cmd_exit") << "cmd_exit" << "&Einde" << QRect(760, 608, 113, 33) << true << "QPushButton";
    QTest::newRow("Label4") << "Label4" << "reeks" << QRect(896, 616, 33, 17) << true << "QLabel";
    QTest::newRow("Label3") << "Label3" << "" << QRect(952, 616, 49, 17) << true << "QLabel";
    QTest::newRow("Label5") << "Label5" << "tijd" << QRect(904, 656, 25, 17) << true << "QLabel";
    QTest::newRow("Label1") << "Label1" << "" << QRect(952, 656, 49, 17) << true << "QLabel";
}

void tst_FrmWerk::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    compareControl(*m_window);
    QCOMPARE(QString::fromLatin1(m_window->findChild<QWidget *>(name)->metaObject()->className()), className);
}

void tst_FrmWerk::stimulusFont()
{
    auto *stimulus = control<QLabel>("txt_string");
    QCOMPARE(stimulus->font().pointSize(), 24);
    QCOMPARE(stimulus->font().weight(), QFont::Bold);
    QCOMPARE(stimulus->alignment(), Qt::AlignCenter);
    // Where "MS Sans Serif" or the desktop's face is missing, one of our sans
    // serifs stands in, never whatever the system falls back on (a serif on Wine).
    const QStringList sansSerifs = windows::sansSerifFallbacks() << u"MS Sans Serif"_s << QApplication::font().family();
    for (const QWidget *text : {static_cast<QWidget *>(stimulus), static_cast<QWidget *>(control<QLabel>("Label4"))})
        QVERIFY2(sansSerifs.contains(QFontInfo(text->font()).family()), qPrintable(QFontInfo(text->font()).family()));
    // The first stimulus is drawn at load, into the hidden label.
    QVERIFY(stimulus->text().size() >= 2 && stimulus->text().size() <= 3);
}

void tst_FrmWerk::keyboardOrder()
{
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QCOMPARE(QApplication::focusWidget(), control<QWidget>("cmd_exit"));
    compareTabOrder({u"Command1"_s, u"Command2"_s, u"cmd_exit"_s});
    m_window->setPauseVisible(true); // the picture box takes focus only while visible
    compareTabOrder({u"Picture1"_s, u"Command1"_s, u"Command2"_s, u"cmd_exit"_s});
}

void tst_FrmWerk::accessibleNames_data()
{
    addAccessibleNameColumns();
    QTest::newRow("Einde") << "cmd_exit" << "Einde";
    QTest::newRow("versnel") << "Command1" << "versnel 100 msec";
    QTest::newRow("vertraag") << "Command2" << "vertraag 100 msec";
    QTest::newRow("pause picture") << "Picture1" << "pauze";
    QTest::newRow("reeks") << "Label4" << "reeks";
    QTest::newRow("tijd") << "Label5" << "tijd";
}

void tst_FrmWerk::accessibleNames()
{
    compareAccessibleName(*m_window);
}

void tst_FrmWerk::shortenedExercise()
{
    openWindow(200); // half cycles of 100 ms: a series lasts 2.1 s
    auto *stimulus = control<QLabel>("txt_string");
    auto *picture = control<QLabel>("Picture1");
    int shows = 0;
    const ShowHideWatch counter(stimulus, [&](bool shown) { shows += shown ? 1 : 0; });

    runFor(99ms);
    QVERIFY(!stimulus->isVisible());
    QVERIFY(control<QLabel>("Label1")->text().isEmpty());
    runFor(1ms);
    QVERIFY(stimulus->isVisible());
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("200"));
    QCOMPARE(control<QLabel>("Label3")->text(), QStringLiteral("1"));
    // The stimulus on screen is announced by its text.
    QCOMPARE(accessibleName(stimulus), stimulus->text());

    runFor(2000ms); // the 21st step, at 2.1 s
    QVERIFY(picture->isVisible());
    QCOMPARE(shows, 10);
    QVERIFY(!stimulus->isVisible());

    runFor(3499ms);
    QVERIFY(picture->isVisible());
    runFor(1ms); // the pause ends at 5.6 s
    QVERIFY(!picture->isVisible());
    QVERIFY(!stimulus->isVisible());
    runFor(99ms);
    QVERIFY(!stimulus->isVisible());
    runFor(1ms);
    QVERIFY(stimulus->isVisible());
    QCOMPARE(shows, 11);
    QCOMPARE(control<QLabel>("Label3")->text(), QStringLiteral("2"));
}

void tst_FrmWerk::speedButtonsActOnTheNextStep()
{
    auto *interval = control<QLabel>("Label1");
    runFor(1000ms);
    QCOMPARE(interval->text(), QStringLiteral("2000"));
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(m_state.flash_interval, 1800);
    QCOMPARE(interval->text(), QStringLiteral("2000"));
    runFor(900ms);
    QCOMPARE(interval->text(), QStringLiteral("1800"));

    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(m_state.flash_interval, 1900);
    QCOMPARE(m_state.speed_step, 100);
}

// "versnel" at 2000 while the pacing timer sleeps towards the first step (due
// at 1000 ms): every tick before the click counts at 2000, so the step comes on
// the first tick after the click, and the half cycle after it has 95 ticks.
void tst_FrmWerk::lateClickBeforeASleptThroughStep_data()
{
    QTest::addColumn<int>("clickUs");
    QTest::addColumn<QList<int>>("stepsMs");
    QTest::newRow("60 ms before: the 95th tick") << 940'000 << QList<int>{950, 1900};
    QTest::newRow("49.5 ms before") << 950'500 << QList<int>{960, 1910};
    QTest::newRow("25 ms before") << 975'000 << QList<int>{980, 1930};
    QTest::newRow("on the 97th tick: that tick first") << 970'000 << QList<int>{980, 1930};
    QTest::newRow("0.1 ms before") << 999'900 << QList<int>{1000, 1950};
}

void tst_FrmWerk::lateClickBeforeASleptThroughStep()
{
    QFETCH(int, clickUs);
    QFETCH(QList<int>, stepsMs);
    // Each step shows or hides the stimulus.
    std::vector<std::int64_t> stepsUs;
    const auto start = m_time->now();
    const ShowHideWatch steps(control<QLabel>("txt_string"), [&](bool) {
        stepsUs.push_back(std::chrono::duration_cast<std::chrono::microseconds>(m_time->now() - start).count());
    });
    runFor(std::chrono::microseconds(clickUs));
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    runFor(1s);
    QCOMPARE(stepsUs.size(), std::size_t{2});
    QCOMPARE(QList<int>({int(stepsUs[0] / 1000), int(stepsUs[1] / 1000)}), stepsMs);
    QCOMPARE(stepsUs[0] % 1000, 0); // on a tick, not at the click
}

QTEST_MAIN(tst_FrmWerk)
#include "tst_frm_werk.moc"
