#include "ZtFormat.h"

#include <QTest>

class TestZtFormat : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void formats_data();
    void formats();
    void failures_data();
    void failures();
    void logText();
};

void TestZtFormat::formats_data()
{
    QTest::addColumn<QString>("fmt");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("expected");
    QTest::addRow("text and integer") << "\rLogin(%s): %d" << QVariantList{"bob", 200} << "\rLogin(bob): 200";
    QTest::addRow("64-bit integer") << "%d" << QVariantList{qint64(1) << 40} << "1099511627776";
    QTest::addRow("fixed default two decimals") << "%f" << QVariantList{1.5} << "1.50";
    QTest::addRow("fixed precision") << "%.4f" << QVariantList{3.14159265} << "3.1416";
    QTest::addRow("integer into f") << "%.1f" << QVariantList{3} << "3.0";
    QTest::addRow("hex upper") << "%x" << QVariantList{255} << "FF";
    QTest::addRow("hex min digits") << "%.4x" << QVariantList{255} << "00FF";
    QTest::addRow("width right") << "[%5d]" << QVariantList{42} << "[   42]";
    QTest::addRow("width left") << "[%-5s]" << QVariantList{"ab"} << "[ab   ]";
    QTest::addRow("star width") << "[%*d]" << QVariantList{4, 7} << "[   7]";
    QTest::addRow("string precision cuts") << "%.2s" << QVariantList{"abcdef"} << "ab";
    QTest::addRow("index") << "%1:s %0:s" << QVariantList{"a", "b"} << "b a";
    QTest::addRow("percent") << "100%% %s" << QVariantList{"done"} << "100% done";
    QTest::addRow("number with thousands") << "%n" << QVariantList{1234567.891} << "1,234,567.89";
    QTest::addRow("number as s") << "%s km" << QVariantList{12} << "12 km";
    QTest::addRow("min digits") << "%.3d" << QVariantList{-7} << "-007";
    QTest::addRow("no specifiers, extra args") << "plain" << QVariantList{1} << "plain";
}

void TestZtFormat::formats()
{
    QFETCH(QString, fmt);
    QFETCH(QVariantList, args);
    QFETCH(QString, expected);
    QString out;
    QVERIFY(TryFormatStr(fmt, args, out));
    QCOMPARE(out, expected);
}

void TestZtFormat::failures_data()
{
    QTest::addColumn<QString>("fmt");
    QTest::addColumn<QVariantList>("args");
    QTest::addRow("text for d") << "count %d" << QVariantList{"five"};
    QTest::addRow("numeric text for d") << "count %d" << QVariantList{"5"};
    QTest::addRow("text for f") << "%f" << QVariantList{"1.5"};
    QTest::addRow("too few arguments") << "%s and %s" << QVariantList{"one"};
    QTest::addRow("unknown type") << "%q" << QVariantList{1};
    QTest::addRow("dangling percent") << "50%" << QVariantList{};
    QTest::addRow("double for x") << "%x" << QVariantList{2.5};
}

void TestZtFormat::failures()
{
    QFETCH(QString, fmt);
    QFETCH(QVariantList, args);
    QString out = QStringLiteral("untouched");
    QVERIFY(!TryFormatStr(fmt, args, out));
    QCOMPARE(out, QStringLiteral("untouched"));
    QCOMPARE(FormatStr(fmt, args), fmt); // unformatted text on failure
}

void TestZtFormat::logText()
{
    // ArgCount -1: a text with "%" is logged as it is.
    QCOMPARE(FormatLogText(QStringLiteral("100% %d"), {}, -1), QStringLiteral("100% %d"));
    QCOMPARE(FormatLogText(QStringLiteral("\r  -> %d"), {3}, 1), QStringLiteral("\r  -> 3"));
}

QTEST_GUILESS_MAIN(TestZtFormat)
#include "tst_ZtFormat.moc"
