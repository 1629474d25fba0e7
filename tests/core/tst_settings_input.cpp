// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_input.h"

#include <QTest>

#include <string>

class tst_SettingsInput : public QObject {
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
};

// Every row is worked out by hand; the first line of the message is what
// the user reads first, the rest names the range and the field's example.
void tst_SettingsInput::reading_data()
{
    QTest::addColumn<bool>("acceleration");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");      // when accepted
    QTest::addColumn<QString>("message"); // first line; empty when accepted

    QTest::newRow("default") << false << "2000" << 2000 << "";
    QTest::newRow("blanks and plus") << true << " \t+300 " << 300 << "";
    QTest::newRow("lowest") << false << "-2147483648" << -2147483647 - 1 << "";
    QTest::newRow("empty") << false << "" << 0 << "Het start interval is niet ingevuld.";
    QTest::newRow("no-break spaces only") << true << "\u00A0\u3000" << 0 << "De versnelling is niet ingevuld.";
    QTest::newRow("letters") << true << "snel" << 0 << "De versnelling \u201Esnel\u201D is geen geheel getal.";
    QTest::newRow("Dutch decimal comma") << false << "1500,5" << 0
                                         << "Het start interval \u201E1500,5\u201D is geen geheel getal.";
    QTest::newRow("grouping dot") << false << "1.500" << 0
                                  << "Het start interval \u201E1.500\u201D is geen geheel getal.";
    QTest::newRow("quoted without its blanks") << false << "\u00A0 12 abc\u2003" << 0
                                               << "Het start interval \u201E12 abc\u201D is geen geheel getal.";
    QTest::newRow("too large") << false << "2147483648" << 0 << "Het start interval \u201E2147483648\u201D is te groot.";
    QTest::newRow("too small, after blanks") << true << "  -2147483649" << 0
                                             << "De versnelling \u201E-2147483649\u201D is te klein.";
    QTest::newRow("long text cut at 40") << false << QString(45, u'x') << 0
                                         << "Het start interval \u201E" + QString(40, u'x') + "\u2026\u201D is geen geheel getal.";
    QTest::newRow("40 exactly, not cut") << false << QString(40, u'x') << 0
                                         << "Het start interval \u201E" + QString(40, u'x') + "\u201D is geen geheel getal.";
    QTest::newRow("cut at whole letters") << false << QString(41, u'\u00E9') << 0
                                          << "Het start interval \u201E" + QString(40, u'\u00E9') + "\u2026\u201D is geen geheel getal.";
    QTest::newRow("markup stays text") << false << "<b>9</b>" << 0
                                       << "Het start interval \u201E<b>9</b>\u201D is geen geheel getal.";
}

void tst_SettingsInput::reading()
{
    QFETCH(bool, acceleration);
    QFETCH(QString, typed);
    QFETCH(int, value);
    QFETCH(QString, message);

    const core::SettingsField &field = acceleration ? core::accelerationField : core::startIntervalField;
    const core::FieldReading reading = core::readSettingsField(field, typed.toStdString());
    if (message.isEmpty()) {
        QVERIFY(reading.value.has_value());
        QCOMPARE(*reading.value, value);
        QVERIFY(reading.message.empty());
        return;
    }
    QVERIFY(!reading.value.has_value());
    const QString text = QString::fromStdString(reading.message);
    QCOMPARE(text.section(u'\n', 0, 0), message);
    const QString advice = acceleration ? QStringLiteral("bijvoorbeeld 100.") : QStringLiteral("bijvoorbeeld 2000.");
    QCOMPARE(text.section(u'\n', 2),
             QStringLiteral("Geef een geheel aantal milliseconden tussen -2147483648 en 2147483647, ") + advice);
}

QTEST_APPLESS_MAIN(tst_SettingsInput)
#include "tst_settings_input.moc"
