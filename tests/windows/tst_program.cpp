// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the whole program in a child process (this same binary, told which
// script to play by an environment variable) and checks how the process ends.
#include "platform/fatal_message.h"
#include "platform/runtime_error.h"
#include "tests/support/widget_helpers.h"
#include "windows/program.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSysInfo>
#include <QTest>

#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

const char *const scriptVariable = "TARVELIN_TEST_SCRIPT";

// Acts on the named window once the running program shows it.
void whenShown(const QString &name, std::function<void(QWidget &)> act)
{
    new WhenShown(name, std::move(act), qApp);
}

void click(QWidget &window, const char *button)
{
    QTest::mouseClick(window.findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
}

void startExercise(std::function<void(QWidget &)> then, const QString &interval = u"2000"_s)
{
    whenShown(u"frm_hoofd"_s, [then = std::move(then), interval](QWidget &settings) {
        settings.findChild<QLineEdit *>(u"txt_start"_s)->setText(interval);
        whenShown(u"frm_werk"_s, then);
        click(settings, "cmd_start");
    });
}

int runScript(const QByteArray &script)
{
    if (script == "exit-settings")
        whenShown(u"frm_hoofd"_s, [](QWidget &w) { click(w, "cmd_exit"); });
    else if (script == "close-settings")
        whenShown(u"frm_hoofd"_s, [](QWidget &w) { w.close(); });
    else if (script == "exit-exercise")
        startExercise([](QWidget &w) { click(w, "cmd_exit"); });
    else if (script == "alt-e-exercise")
        startExercise([](QWidget &w) { QTest::keyClick(w.windowHandle(), Qt::Key_E, Qt::AltModifier); });
    else if (script == "enter-exercise") // Einde holds the focus when the window opens
        startExercise([](QWidget &w) { QTest::keyClick(w.windowHandle(), Qt::Key_Return); });
    else if (script == "space-exercise")
        startExercise([](QWidget &w) { QTest::keyClick(w.windowHandle(), Qt::Key_Space); });
    else if (script == "close-exercise")
        startExercise([](QWidget &w) { w.close(); });
    else if (script == "exit-during-pause")
        startExercise([](QWidget &w) {
            // At 100 ms a series ends within a second; end the program while the picture shows.
            auto *poll = new QTimer(&w);
            QObject::connect(poll, &QTimer::timeout, &w, [&w] {
                if (w.findChild<QLabel *>(u"Picture1"_s)->isVisible())
                    click(w, "cmd_exit");
            });
            poll->start(5);
        }, u"100"_s);
    else if (script == "runtime-error")
        startExercise([](QWidget &) {
            // Answers the error box like a user would, and tells the parent what it said.
            auto *catcher = new MessageBoxCatcher(
                [](const QString &text) { std::fprintf(stdout, "%s\n", qPrintable(text)); });
            catcher->setParent(qApp);
            platform::raiseRuntimeError({platform::RuntimeErrorKind::SubscriptOutOfRange, "test"});
        });
    return windows::runProgram();
}

} // namespace

class tst_Program : public QObject {
    Q_OBJECT

private slots:
    void ending_data();
    void ending();
    void noDisplay_data();
    void noDisplay();
};

void tst_Program::ending_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("Einde in the settings window") << QByteArray("exit-settings") << 0;
    QTest::newRow("settings window closed by its frame") << QByteArray("close-settings") << 0;
    QTest::newRow("Einde in the exercise window") << QByteArray("exit-exercise") << 0;
    QTest::newRow("Alt+E in the exercise window") << QByteArray("alt-e-exercise") << 0;
    QTest::newRow("Enter in the exercise window") << QByteArray("enter-exercise") << 0;
    QTest::newRow("Space in the exercise window") << QByteArray("space-exercise") << 0;
    QTest::newRow("exercise window closed by its frame") << QByteArray("close-exercise") << 0;
    QTest::newRow("Einde during a pause") << QByteArray("exit-during-pause") << 0;
    QTest::newRow("run-time error") << QByteArray("runtime-error") << 1;
}

void tst_Program::ending()
{
    QFETCH(QByteArray, script);
    QFETCH(int, exitCode);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(scriptVariable), QString::fromLatin1(script));
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QVERIFY2(child.waitForFinished(30000), "the program did not end");
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), exitCode);
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    if (exitCode != 0)
        QVERIFY2(output.startsWith(u"Fout 9: index buiten het bereik"_s), qPrintable(output));
    else
        QVERIFY(output.isEmpty());
}

// The real start, with no window to open: a clear sentence and exit code 1,
// never Qt's abort with its advice to reinstall.
void tst_Program::noDisplay_data()
{
    QTest::addColumn<QString>("display"); // empty: unset
    QTest::addColumn<QString>("platform");
    if (QSysInfo::kernelType() != u"winnt"_s) { // Windows has no display to name, nor to lack
        QTest::newRow("nothing to open") << "" << "";
        QTest::newRow("a display that is not there") << ":9417" << "";
    }
    // On Windows: a window system whose plugin the program lacks.
    QTest::newRow("X11 asked for, no display") << "" << "xcb";
}

void tst_Program::noDisplay()
{
    QFETCH(QString, display);
    QFETCH(QString, platform);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(scriptVariable), u"start"_s);
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(name);
    if (!display.isEmpty())
        environment.insert(u"DISPLAY"_s, display);
    if (!platform.isEmpty())
        environment.insert(u"QT_QPA_PLATFORM"_s, platform);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QVERIFY2(child.waitForFinished(30000), "the program did not end");
    // Windows ends each line of a text stream with CR LF.
    const QString errors = QString::fromUtf8(child.readAllStandardError()).replace(u"\r\n"_s, u"\n"_s);
    QCOMPARE(child.exitStatus(), QProcess::NormalExit); // no abort, no core
    QCOMPARE(child.exitCode(), 1);
    const QString said = QString::fromUtf8(platform::cannotStartMessage().data(),
                                           qsizetype(platform::cannotStartMessage().size()));
    QVERIFY2(errors.endsWith(said), qPrintable(errors));
    QVERIFY2(!errors.contains(u"einstall"_s), qPrintable(errors));
}

int main(int argc, char *argv[])
{
    const QByteArray script = qgetenv(scriptVariable);
    if (script == "start")
        return windows::runApplication(argc, argv);
    QApplication app(argc, argv);
    if (!script.isEmpty())
        return runScript(script);
    tst_Program test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_program.moc"
