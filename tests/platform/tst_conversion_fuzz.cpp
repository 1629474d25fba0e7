// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/conversion.h"

#include <QTest>

#include <limits>
#include <random>
#include <regex>
#include <string>
#include <vector>

using platform::ConversionError;

namespace {

// What the README promises, written a second way: a regular expression for
// the form, std::stoll for the value.
platform::Int32Result reference(const std::string &text)
{
    static const std::regex form("^[ \\t\\n\\v\\f\\r]*([+-]?)([0-9]+)[ \\t\\n\\v\\f\\r]*$");
    std::smatch match;
    if (!std::regex_match(text, match, form))
        return {0, ConversionError::NotANumber};
    std::string digits = match[2].str();
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > 10)
        return {0, ConversionError::OutOfRange};
    long long value = std::stoll(digits);
    if (match[1] == "-")
        value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return {0, ConversionError::OutOfRange};
    return {static_cast<std::int32_t>(value), ConversionError::None};
}

// Pieces a hostile or careless user might type or paste.
const std::vector<std::string> pieces = {
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "7", "00", "000000000",
    "+", "-", "--", "+-",
    " ", "  ", "\t", "\n", "\r", "\v", "\f",
    "\xc2\xa0",             // no-break space
    "\xe2\x80\x83",         // em space
    "\xe3\x80\x80",         // ideographic space
    "\xd9\xa3",             // Arabic-Indic three
    "\xef\xbc\x93",         // full-width three
    std::string(1, '\0'),
    "0x", "0X", "e", "E", "e5", ".", ",", "_", "'",
    "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967296", "99999999999",
    "a", "Z", "abc", "\xff", "\x80", "<b>", "%d", "\\",
};

std::string randomInput(std::mt19937_64 &generator)
{
    std::uniform_int_distribution<std::size_t> count(0, 8);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::string text;
    for (std::size_t n = count(generator); n > 0; --n)
        text += pieces[pick(generator)];
    return text;
}

// A well-formed number, often near or past the 32-bit edges, dressed in blanks and zeros.
std::string randomNumber(std::mt19937_64 &generator)
{
    std::uniform_int_distribution<long long> near(-5, 5);
    std::uniform_int_distribution<long long> wide(-5'000'000'000LL, 5'000'000'000LL);
    std::bernoulli_distribution coin;
    long long value = wide(generator);
    if (coin(generator))
        value = (coin(generator) ? 2147483647LL : -2147483648LL) + near(generator);
    std::string text = std::to_string(value < 0 ? -value : value);
    text.insert(0, std::size_t(near(generator) + 5) / 3, '0');
    if (value < 0)
        text.insert(0, "-");
    else if (coin(generator))
        text.insert(0, "+");
    if (coin(generator))
        text.insert(0, " \t");
    if (coin(generator))
        text += "  ";
    return text;
}

} // namespace

class tst_ConversionFuzz : public QObject {
    Q_OBJECT

private slots:
    void agreesWithReference();
};

void tst_ConversionFuzz::agreesWithReference()
{
    std::vector<std::string> inputs = {
        std::string(10'000, '9'), std::string(10'000, '0') + "5", "-" + std::string(10'000, '0'),
        std::string(10'000, ' ') + "1", "00000000002147483647", "-00000000002147483648",
        "2147483647 ", " -2147483648", "+2147483648", "-0", "+0", "", " ", "+", "-",
    };
    std::mt19937_64 generator(20261209);
    for (int i = 0; i < 60'000; ++i)
        inputs.push_back(randomInput(generator));
    for (int i = 0; i < 60'000; ++i)
        inputs.push_back(randomNumber(generator));

    int accepted = 0, outOfRange = 0, notANumber = 0;
    for (const std::string &text : inputs) {
        const auto expected = reference(text);
        const auto actual = platform::toInt32(text);
        if (actual.error != expected.error || actual.value != expected.value) {
            // Built without QString::arg: the encoded input holds '%' signs of its own.
            const QByteArray shown = QByteArray(text.data(), qsizetype(text.size())).toPercentEncoding();
            const std::string message = "\"" + shown.toStdString() + "\": got " + std::to_string(actual.value)
                                        + " (error " + std::to_string(int(actual.error)) + "), expected "
                                        + std::to_string(expected.value) + " (error "
                                        + std::to_string(int(expected.error)) + ")";
            QFAIL(message.c_str());
        }
        accepted += expected.error == ConversionError::None;
        outOfRange += expected.error == ConversionError::OutOfRange;
        notANumber += expected.error == ConversionError::NotANumber;
    }
    QVERIFY(inputs.size() >= 100'000);
    // Every kind of answer was really put to the test.
    QVERIFY2(accepted > 20'000 && outOfRange > 10'000 && notANumber > 20'000,
             qPrintable(QStringLiteral("%1 accepted, %2 out of range, %3 not a number")
                            .arg(accepted).arg(outOfRange).arg(notANumber)));
}

QTEST_APPLESS_MAIN(tst_ConversionFuzz)
#include "tst_conversion_fuzz.moc"
