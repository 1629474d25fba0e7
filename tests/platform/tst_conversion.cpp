// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/conversion.h"

#include <QTest>

#include <cstdint>
#include <limits>
#include <string>

using namespace Qt::StringLiterals;
using platform::ConversionError;

Q_DECLARE_METATYPE(platform::ConversionError)

class tst_Conversion : public QObject {
    Q_OBJECT

private slots:
    void toInt32_data();
    void toInt32();
    void toText_data();
    void toText();
    void trim_data();
    void trim();
    void saturating_data();
    void saturating();
};

void tst_Conversion::toInt32_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<ConversionError>("error");
    const auto ok = ConversionError::None;
    const auto nan = ConversionError::NotANumber;
    const auto range = ConversionError::OutOfRange;
    QTest::newRow("plain") << QByteArray("2000") << 2000 << ok;
    QTest::newRow("zero") << QByteArray("0") << 0 << ok;
    QTest::newRow("minus zero") << QByteArray("-0") << 0 << ok;
    QTest::newRow("plus sign") << QByteArray("+100") << 100 << ok;
    QTest::newRow("negative") << QByteArray("-250") << -250 << ok;
    QTest::newRow("leading zeros") << QByteArray("0000000000002000") << 2000 << ok;
    QTest::newRow("blanks around") << QByteArray("  \t1500 \r\n") << 1500 << ok;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647 << ok;
    QTest::newRow("smallest") << QByteArray("-2147483648") << std::numeric_limits<int>::min() << ok;
    QTest::newRow("one past largest") << QByteArray("2147483648") << 0 << range;
    QTest::newRow("one past smallest") << QByteArray("-2147483649") << 0 << range;
    QTest::newRow("long digit run") << QByteArray(400, '9') << 0 << range;
    QTest::newRow("empty") << QByteArray("") << 0 << nan;
    QTest::newRow("only blanks") << QByteArray("    ") << 0 << nan;
    QTest::newRow("only a sign") << QByteArray("-") << 0 << nan;
    QTest::newRow("letters") << QByteArray("abc") << 0 << nan;
    QTest::newRow("digits then letters") << QByteArray("12abc") << 0 << nan;
    QTest::newRow("blank inside") << QByteArray("1 000") << 0 << nan;
    QTest::newRow("blank after sign") << QByteArray("- 5") << 0 << nan;
    QTest::newRow("two signs") << QByteArray("--5") << 0 << nan;
    QTest::newRow("fraction with point") << QByteArray("1500.5") << 0 << nan;
    QTest::newRow("fraction with comma") << QByteArray("1500,5") << 0 << nan;
    QTest::newRow("Dutch grouping") << QByteArray("1.500") << 0 << nan;
    QTest::newRow("hex") << QByteArray("0x10") << 0 << nan;
    QTest::newRow("exponent") << QByteArray("1e3") << 0 << nan;
    QTest::newRow("embedded NUL") << QByteArray("12\0" "3", 4) << 0 << nan;
    QTest::newRow("no-break space around") << QByteArray("\xc2\xa0" "100") << 0 << nan;
    QTest::newRow("Arabic-Indic digit") << QByteArray("\xd9\xa1") << 0 << nan;
}

void tst_Conversion::toInt32()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QFETCH(ConversionError, error);
    const auto result = platform::toInt32(std::string_view(text.constData(), std::size_t(text.size())));
    QCOMPARE(result.error, error);
    QCOMPARE(result.value, value);
}

void tst_Conversion::toText_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("asInt16");
    QTest::addColumn<QString>("text");
    QTest::newRow("default interval") << 2000 << false << u"2000"_s;
    QTest::newRow("negative") << -40 << false << u"-40"_s;
    QTest::newRow("32-bit smallest") << std::numeric_limits<int>::min() << false << u"-2147483648"_s;
    QTest::newRow("32-bit largest") << std::numeric_limits<int>::max() << false << u"2147483647"_s;
    QTest::newRow("series number") << 3 << true << u"3"_s;
    QTest::newRow("16-bit smallest") << -32768 << true << u"-32768"_s;
}

void tst_Conversion::toText()
{
    QFETCH(int, value);
    QFETCH(bool, asInt16);
    QFETCH(QString, text);
    const std::string result = asInt16 ? platform::toText(std::int16_t(value)) : platform::toText(std::int32_t(value));
    QCOMPARE(QString::fromStdString(result), text);
}

void tst_Conversion::trim_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing to trim") << u"ui"_s << u"ui"_s;
    QTest::newRow("both sides") << u"  ui  "_s << u"ui"_s;
    QTest::newRow("only blanks") << u"   "_s << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("inner blank kept") << u" a b "_s << u"a b"_s;
}

void tst_Conversion::trim()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const std::string utf8 = text.toStdString();
    QCOMPARE(QString::fromStdString(std::string(platform::trim(utf8))), expected);
}

void tst_Conversion::saturating_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("sum");
    QTest::addColumn<int>("difference");
    constexpr int lo = std::numeric_limits<int>::min();
    constexpr int hi = std::numeric_limits<int>::max();
    QTest::newRow("ordinary") << 2000 << 100 << 2100 << 1900;
    QTest::newRow("top edge") << hi << 100 << hi << hi - 100;
    QTest::newRow("bottom edge") << lo << 100 << lo + 100 << lo;
    QTest::newRow("minus the smallest") << 0 << lo << lo << hi;
    QTest::newRow("both extremes") << hi << lo << -1 << hi;
}

void tst_Conversion::saturating()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, sum);
    QFETCH(int, difference);
    QCOMPARE(platform::saturatingAdd(a, b), sum);
    QCOMPARE(platform::saturatingSub(a, b), difference);
}

QTEST_APPLESS_MAIN(tst_Conversion)
#include "tst_conversion.moc"
