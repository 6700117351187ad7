#include "ZtSmallUtils.h"
#include "ZtUtils.h"

#include <QTest>

#include <cmath>

class TestZtUtils : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void i2sFormats_data();
    void i2sFormats();
    void i2sRejectsUnknownRadix();
    void isNumber_data();
    void isNumber();
    void integerReaders_data();
    void integerReaders();
    void floats_data();
    void floats();
    void floatToStr();
    void colours_data();
    void colours();
    void unescape_data();
    void unescape();
    void extractField_data();
    void extractField();
    void textHelpers();
};

void TestZtUtils::i2sFormats_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<char>("radix");
    QTest::addColumn<QString>("expected");
    QTest::addRow("decimal padded") << qint64(5) << 3 << 'd' << "005";
    QTest::addRow("upper hex unpadded") << qint64(255) << 0 << 'X' << "FF";
    QTest::addRow("lower hex") << qint64(255) << 4 << 'x' << "00ff";
    QTest::addRow("h is lower hex") << qint64(171) << 0 << 'h' << "ab";
    QTest::addRow("binary padded") << qint64(5) << 4 << 'b' << "0101";
    QTest::addRow("width never cuts") << qint64(12345) << 2 << 'u' << "12345";
    QTest::addRow("negative keeps sign first") << qint64(-5) << 3 << 'd' << "-05";
}

void TestZtUtils::i2sFormats()
{
    QFETCH(qint64, value);
    QFETCH(int, width);
    QFETCH(char, radix);
    QFETCH(QString, expected);
    QCOMPARE(i2s(value, width, radix), expected);
}

void TestZtUtils::i2sRejectsUnknownRadix()
{
    try {
        i2s(7, 2, 'q');
        QFAIL("no error for radix q");
    } catch (const EZtError &e) {
        QCOMPARE(e.message(), QStringLiteral("i2s(7,2,'q'): Unsupported radix char ['q']"));
    }
}

void TestZtUtils::isNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("radix");
    QTest::addColumn<bool>("expected");
    QTest::addRow("leading zeros") << "007" << 10 << true;
    QTest::addRow("sign") << "-5" << 10 << false;
    QTest::addRow("point") << "3.0" << 10 << false;
    QTest::addRow("empty") << "" << 10 << false;
    QTest::addRow("binary digit 2") << "102" << 2 << false;
    QTest::addRow("octal 8") << "78" << 8 << false;
    QTest::addRow("hex mixed case") << "aF09" << 16 << true;
    QTest::addRow("hex g") << "fg" << 16 << false;
    QTest::addRow("radix 7 unsupported") << "1" << 7 << false;
}

void TestZtUtils::isNumber()
{
    QFETCH(QString, text);
    QFETCH(int, radix);
    QFETCH(bool, expected);
    QCOMPARE(IsNumber(text, radix), expected);
}

void TestZtUtils::integerReaders_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("def");
    QTest::addColumn<qint64>("toInt64Def");
    QTest::addColumn<qint64>("strToIntAuto");
    QTest::addRow("decimal") << "42" << qint64(-1) << qint64(42) << qint64(42);
    QTest::addRow("negative") << "-42" << qint64(-1) << qint64(-42) << qint64(-42);
    QTest::addRow("not a number") << "4x2" << qint64(-1) << qint64(-1) << qint64(0);
    QTest::addRow("0x hex") << "0x1F" << qint64(-1) << qint64(-1) << qint64(31);
    QTest::addRow("x hex") << "xff" << qint64(-1) << qint64(-1) << qint64(255);
    QTest::addRow("capital X is no hex prefix") << "X1F" << qint64(-1) << qint64(-1) << qint64(0);
    QTest::addRow("capital 0X is no hex prefix") << "0X1F" << qint64(-1) << qint64(-1) << qint64(0);
    QTest::addRow("empty") << "" << qint64(9) << qint64(9) << qint64(0);
}

void TestZtUtils::integerReaders()
{
    QFETCH(QString, text);
    QFETCH(qint64, def);
    QFETCH(qint64, toInt64Def);
    QFETCH(qint64, strToIntAuto);
    QCOMPARE(ToInt64Def(text, def), toInt64Def);
    QCOMPARE(StrToIntAuto(text), strToIntAuto);
    // A non-hex character counts as a zero digit.
    QCOMPARE(HexToInt(QStringLiteral("1z")), qint64(16));
}

void TestZtUtils::floats_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addRow("point") << "12.5" << 12.5;
    QTest::addRow("comma") << "12,5" << 12.5;
    QTest::addRow("negative") << "-0.25" << -0.25;
    QTest::addRow("garbage") << "abc" << -99.0;
    QTest::addRow("empty") << "" << -99.0;
}

void TestZtUtils::floats()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(ToFloatDef(text, -99.0), value);
}

void TestZtUtils::floatToStr()
{
    QCOMPARE(FloatToStrN(1.25, 0), QStringLiteral("1"));
    QCOMPARE(FloatToStrN(1.25, -3), QStringLiteral("1"));
    QCOMPARE(FloatToStrN(3.14159, 4), QStringLiteral("3.1416"));
    QCOMPARE(FloatToStrN(1234567.5, 1), QStringLiteral("1234567.5")); // no grouping, "." always
    QCOMPARE(FloatToStrN(std::nan(""), 2), QStringLiteral("NaN"));
}

void TestZtUtils::colours_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<quint32>("colour");
    QTest::addRow("red is the low byte") << "#FF0000" << quint32(0x0000FF);
    QTest::addRow("blue is the high byte") << "#0000FF" << quint32(0xFF0000);
    QTest::addRow("mixed") << "#123456" << quint32(0x563412);
}

void TestZtUtils::colours()
{
    QFETCH(QString, html);
    QFETCH(quint32, colour);
    QCOMPARE(HtmlToColor(html, 7), colour);
    QCOMPARE(HtmlToColor(html.mid(1), 7), colour); // "#" optional
    QCOMPARE(ColorToHtml(colour), html);
    // Black, and text that reads as 0, give the default.
    QCOMPARE(HtmlToColor(QStringLiteral("#000000"), 7), quint32(7));
    QCOMPARE(HtmlToColor(QString(), 7), quint32(7));
}

void TestZtUtils::unescape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addRow("hex code") << "a\\x41b" << "aAb";
    QTest::addRow("unknown escape stays") << "a\\qb" << "a\\qb";
    QTest::addRow("decimal code") << "\\065\\066" << "AB";
    QTest::addRow("named") << "\\!\\\"\\\\\\n\\r\\s\\t" << "!\"\\\n\r \t";
    QTest::addRow("final backslash dropped") << "ab\\" << "ab";
    QTest::addRow("short hex stays") << "\\x4" << "\\x4";
}

void TestZtUtils::unescape()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(UnescapeStr(text), expected);
}

void TestZtUtils::extractField_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delims");
    QTest::addColumn<QString>("expected");
    QTest::addRow("single delimiter keeps empty fields") << 2 << "a;;b" << ";" << "";
    QTest::addRow("single delimiter third") << 3 << "a;;b" << ";" << "b";
    QTest::addRow("several delimiters merge runs") << 2 << "a;;b" << ";," << "b";
    QTest::addRow("mixed run") << 2 << "a;,b,c" << ";," << "b";
    QTest::addRow("beyond the fields") << 4 << "a;b" << ";" << "";
    QTest::addRow("first") << 1 << "x y" << " " << "x";
}

void TestZtUtils::extractField()
{
    QFETCH(int, n);
    QFETCH(QString, text);
    QFETCH(QString, delims);
    QFETCH(QString, expected);
    QCOMPARE(ExtractField(n, text, delims), expected);
}

void TestZtUtils::textHelpers()
{
    QCOMPARE(TrimWs(QStringLiteral("\t a b \r\n")), QStringLiteral("a b"));
    QCOMPARE(UrlEscapeLite(QStringLiteral("a b\r\n&")), QStringLiteral("a%20b%0D%0A&"));
    QCOMPARE(TextBefore(QStringLiteral("key=value"), QStringLiteral("=")), QStringLiteral("key"));
    QCOMPARE(TextBefore(QStringLiteral("key"), QStringLiteral("=")), QString());
    QCOMPARE(FirstSeparatorPos(QStringLiteral("=:"), QStringLiteral("a:b=c")), 4);
    QCOMPARE(FirstSeparatorPos(QStringLiteral(":="), QStringLiteral("a:b=c")), 2);
    QCOMPARE(FirstSeparatorPos(QStringLiteral(";"), QStringLiteral("abc")), -1);
    QCOMPARE(StripAround(QStringLiteral(" (x) "), QStringLiteral("("), QStringLiteral(")")), QStringLiteral("x"));
    QCOMPARE(StripQuotes(QStringLiteral(" 'abc\" ")), QStringLiteral("abc"));
    QCOMPARE(RemoveControlChars(QStringLiteral("a\tb\x01" "c")), QStringLiteral("abc"));
    QCOMPARE(CountChar(QStringLiteral("a,b,,c"), u','), 3);
    QCOMPARE(ReplaceAll(QStringLiteral("Abc aBC"), QStringLiteral("bc"), QStringLiteral("-")), QStringLiteral("A- a-"));
    QCOMPARE(LeftChars(QStringLiteral("abcdef"), 2), QStringLiteral("ab"));
    QCOMPARE(LeftChars(QStringLiteral("abcdef"), -2), QStringLiteral("abcd"));
    QCOMPARE(LeftChars(QStringLiteral("ab"), -5), QString());
    QCOMPARE(RightChars(QStringLiteral("abcdef"), 2), QStringLiteral("ef"));
    QCOMPARE(DupStr(QStringLiteral("ab"), 3), QStringLiteral("ababab"));
}

QTEST_GUILESS_MAIN(TestZtUtils)
#include "tst_ZtUtils.moc"
