// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/frm_hoofd.h"

#include "core/exercise_state.h"
#include "core/module1.h"
#include "platform/clock.h"
#include "platform/random_source.h"
#include "tests/support/manual_time.h"
#include "tests/support/widget_helpers.h"
#include "windows/frm_werk.h"
#include "windows/window_slots.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <limits>
#include <memory>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

class tst_FrmHoofd : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void window();
    void controls_data();
    void controls();
    void loadShowsTheState();
    void keyboardOrder();
    void accessibleNames_data();
    void accessibleNames();
    void startOpensTheExercise_data();
    void startOpensTheExercise();
    void badInputKeepsTheWindow_data();
    void badInputKeepsTheWindow();
    void extremeValuesSaturate_data();
    void extremeValuesSaturate();

private:
    template<typename T>
    T *control(const char *name)
    {
        return m_window->findChild<T *>(QString::fromLatin1(name));
    }
    void type(const char *field, const QString &text)
    {
        control<QLineEdit>(field)->setText(text);
    }

    platform::RandomSource m_random{platform::systemClock()};
    ManualTime m_time; // the exercise's timers run only when a test says so
    core::ExerciseState m_state;
    std::unique_ptr<windows::WindowSlots> m_slots;
    windows::frm_hoofd *m_window = nullptr;
};

void tst_FrmHoofd::init()
{
    core::Main(m_state, {});
    m_slots = std::make_unique<windows::WindowSlots>(m_state, m_random, m_time.source);
    m_window = &m_slots->hoofd();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void tst_FrmHoofd::cleanup()
{
    m_slots.reset();
    m_window = nullptr;
}

void tst_FrmHoofd::window()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Form1"));
    QCOMPARE(m_window->size(), QSize(369, 192));
    QVERIFY(m_window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(m_window->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(m_window->windowFlags() & Qt::WindowCloseButtonHint);
}

void tst_FrmHoofd::controls_data()
{
    addControlColumns();
    QTest::newRow("Label1") << "Label1" << "Geef start interval" << QRect(16, 24, 107, 17) << true;
    QTest::newRow("txt_start") << "txt_start" << "2000" << QRect(136, 24, 105, 19) << true;
    QTest::newRow("Label3") << "Label3" << "Mili seconden" << QRect(256, 24, 81, 17) << true;
    QTest::newRow("Label2") << "Label2" << "Geef versnelling" << QRect(16, 64, 107, 17) << true;
    QTest::newRow("txt_speed") << "txt_speed" << "100" << QRect(136, 64, 105, 19) << true;
    QTest::newRow("Label4") << "Label4" << "Mili seconden" << QRect(256, 64, 81, 17) << true;
    QTest::newRow("cmd_start") << "cmd_start" << "&Start" << QRect(16, 144, 113, 33) << true;
    QTest::newRow("cmd_exit") << "cmd_exit" << "&Einde" << QRect(240, 144, 113, 33) << true;
}

void tst_FrmHoofd::controls()
{
    compareControl(*m_window);
}

void tst_FrmHoofd::loadShowsTheState()
{
    m_slots.reset();
    m_state.flash_interval = -40;
    m_state.speed_step = 2147483647;
    m_slots = std::make_unique<windows::WindowSlots>(m_state, m_random, m_time.source);
    m_window = &m_slots->hoofd();
    QCOMPARE(control<QLineEdit>("txt_start")->text(), QStringLiteral("-40"));
    QCOMPARE(control<QLineEdit>("txt_speed")->text(), QStringLiteral("2147483647"));
}

void tst_FrmHoofd::keyboardOrder()
{
    QCOMPARE(QApplication::focusWidget(), control<QWidget>("txt_start"));
    compareTabOrder({u"txt_speed"_s, u"cmd_start"_s, u"cmd_exit"_s, u"txt_start"_s});
}

void tst_FrmHoofd::accessibleNames_data()
{
    addAccessibleNameColumns();
    QTest::newRow("start interval box") << "txt_start" << "Geef start interval";
    QTest::newRow("acceleration box") << "txt_speed" << "Geef versnelling";
    QTest::newRow("Start") << "cmd_start" << "Start";
    QTest::newRow("Einde") << "cmd_exit" << "Einde";
    QTest::newRow("unit") << "Label3" << "Mili seconden";
}

void tst_FrmHoofd::accessibleNames()
{
    compareAccessibleName(*m_window);
}

void tst_FrmHoofd::startOpensTheExercise_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<bool>("byAccessKey");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("step");
    QTest::newRow("defaults, Alt+S") << "2000" << "100" << true << 2000 << 100;
    QTest::newRow("defaults, click") << "2000" << "100" << false << 2000 << 100;
    QTest::newRow("zero acceleration") << "1500" << "0" << false << 1500 << 0;
    QTest::newRow("negatives as typed") << "-5" << "-100" << false << -5 << -100;
    QTest::newRow("blanks and sign") << " +300 " << "\t50" << false << 300 << 50;
    QTest::newRow("32-bit edges") << "-2147483648" << "2147483647" << true
                                  << std::numeric_limits<int>::min() << std::numeric_limits<int>::max();
}

void tst_FrmHoofd::startOpensTheExercise()
{
    QFETCH(QString, start);
    QFETCH(QString, speed);
    QFETCH(bool, byAccessKey);
    QFETCH(int, interval);
    QFETCH(int, step);
    type("txt_start", start);
    type("txt_speed", speed);

    bool settingsHidden = false;
    WhenShown opened(u"frm_werk"_s, [&](QWidget &exercise) {
        settingsHidden = !m_window->isVisible();
        exercise.hide(); // ends the modal display, as the program itself never does
    });
    if (byAccessKey) // the access key presses the button after a short animation
        QTest::keyClick(m_window->windowHandle(), Qt::Key_S, Qt::AltModifier);
    else
        QTest::mouseClick(control<QPushButton>("cmd_start"), Qt::LeftButton);

    QTRY_VERIFY(opened.hasActed());
    QVERIFY(settingsHidden);
    QCOMPARE(m_state.flash_interval, interval);
    QCOMPARE(m_state.speed_step, step);
}

void tst_FrmHoofd::badInputKeepsTheWindow_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("badField");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty start") << "" << "100" << "txt_start" << "Het start interval is niet ingevuld.";
    QTest::newRow("only blanks") << "   " << "100" << "txt_start" << "Het start interval is niet ingevuld.";
    QTest::newRow("letters") << "abc" << "100" << "txt_start" << "Het start interval \u201Eabc\u201D is geen geheel getal.";
    QTest::newRow("12abc") << "12abc" << "100" << "txt_start" << "Het start interval \u201E12abc\u201D is geen geheel getal.";
    QTest::newRow("too large") << "2147483648" << "100" << "txt_start" << "Het start interval \u201E2147483648\u201D is te groot.";
    QTest::newRow("too small") << "-2147483649" << "100" << "txt_start" << "Het start interval \u201E-2147483649\u201D is te klein.";
    QTest::newRow("fraction") << "1500,5" << "100" << "txt_start" << "Het start interval \u201E1500,5\u201D is geen geheel getal.";
    QTest::newRow("bad acceleration") << "2000" << "snel" << "txt_speed" << "De versnelling \u201Esnel\u201D is geen geheel getal.";
    QTest::newRow("empty acceleration") << "2000" << "" << "txt_speed" << "De versnelling is niet ingevuld.";
    QTest::newRow("both bad: start first") << "x" << "y" << "txt_start" << "Het start interval \u201Ex\u201D is geen geheel getal.";
    QTest::newRow("markup shown as typed") << "<b>9</b>" << "100" << "txt_start" << "Het start interval \u201E<b>9</b>\u201D is geen geheel getal.";
}

void tst_FrmHoofd::badInputKeepsTheWindow()
{
    QFETCH(QString, start);
    QFETCH(QString, speed);
    QFETCH(QString, badField);
    QFETCH(QString, message);
    type("txt_start", start);
    type("txt_speed", speed);
    m_state.flash_interval = 777;

    MessageBoxCatcher catcher;
    QTest::mouseClick(control<QPushButton>("cmd_start"), Qt::LeftButton);

    QCOMPARE(catcher.caught, 1);
    QCOMPARE(catcher.text.section(u'\n', 0, 0), message);
    QVERIFY(catcher.text.contains(u"geheel aantal milliseconden"_s));
    QVERIFY(catcher.plainText);
    QVERIFY(m_window->isVisible());
    QVERIFY(!topLevel(u"frm_werk"_s));
    QCOMPARE(control<QLineEdit>("txt_start")->text(), start);
    QCOMPARE(control<QLineEdit>("txt_speed")->text(), speed);
    auto *field = control<QLineEdit>(qPrintable(badField));
    QTRY_COMPARE(QApplication::focusWidget(), field); // the window is active again once the box is gone
    QCOMPARE(field->selectedText(), field->text());
    if (badField == u"txt_start")
        QCOMPARE(m_state.flash_interval, 777);
}

void tst_FrmHoofd::extremeValuesSaturate_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<int>("faster");
    QTest::addColumn<int>("slower");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("shown"); // empty: no step comes within days
    constexpr int lo = std::numeric_limits<int>::min();
    constexpr int hi = std::numeric_limits<int>::max();
    QTest::newRow("bottom edge, faster") << "-2147483648" << "100" << 1000 << 0 << lo << "-2147483648";
    QTest::newRow("bottom edge, both") << "-2147483648" << "-2147483648" << 1000 << 1000 << lo + 100000
                                       << "-2147383648";
    QTest::newRow("zero, both") << "0" << "0" << 1000 << 1000 << 0 << "0";
    QTest::newRow("negative acceleration, faster") << "-5" << "-100" << 1000 << 0 << -100005 << "-100005";
    QTest::newRow("top edge, slower") << "2147483647" << "-2147483648" << 0 << 1000 << hi << "";
    QTest::newRow("top edge, faster") << "2147483647" << "2147483647" << 1000 << 0 << hi - 100000 << "";
}

void tst_FrmHoofd::extremeValuesSaturate()
{
    QFETCH(QString, start);
    QFETCH(QString, speed);
    QFETCH(int, faster);
    QFETCH(int, slower);
    QFETCH(int, interval);
    QFETCH(QString, shown);
    type("txt_start", start);
    type("txt_speed", speed);

    QString displayed;
    std::int32_t afterRun = 0;
    WhenShown opened(u"frm_werk"_s, [&](QWidget &exercise) {
        auto *label = exercise.findChild<QLabel *>(u"Label1"_s);
        for (int i = 0; i < faster; ++i)
            QTest::mouseClick(exercise.findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);
        for (int i = 0; i < slower; ++i)
            QTest::mouseClick(exercise.findChild<QPushButton *>(u"Command2"_s), Qt::LeftButton);
        // The display follows at the next step: at these paces, the first tick.
        m_time.runUntil(m_time.now() + 10ms);
        displayed = label->text();
        m_time.runUntil(m_time.now() + 5s); // ticks, two series and a pause, but no speed-up yet
        afterRun = m_state.flash_interval;
        exercise.hide();
    });
    QTest::mouseClick(control<QPushButton>("cmd_start"), Qt::LeftButton);
    QTRY_VERIFY(opened.hasActed());
    QCOMPARE(displayed, shown);
    QCOMPARE(afterRun, interval);
    QCOMPARE(m_state.speed_step, 100); // a speed click replaces the typed acceleration
}

QTEST_MAIN(tst_FrmHoofd)
#include "tst_frm_hoofd.moc"
