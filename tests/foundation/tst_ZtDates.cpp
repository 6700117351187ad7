#include "DayNumber.h"
#include "ZtDates.h"

#include <QScopeGuard>
#include <QTest>

#include <ctime>

#include <cmath>

class TestZtDates : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void fastPaths_data();
    void fastPaths();
    void parseOrUnix_data();
    void parseOrUnix();
    void format_data();
    void format();
    void isoIsUtc();
    void duration_data();
    void duration();
    void qtRoundTrip();
    void dayAndTimeOfDay_data();
    void dayAndTimeOfDay();
    void nowInZone_data();
    void nowInZone();
};

static TDateTime dt(int y, int m, int d, int h = 0, int n = 0, int s = 0, int z = 0)
{
    return EncodeDateTime(y, m, d, h, n, s, z);
}

void TestZtDates::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::addRow("dotted") << "02.01.2024 10:20:30" << dt(2024, 1, 2, 10, 20, 30);
    QTest::addRow("iso with Z") << "2024-01-02T10:20:30Z" << dt(2024, 1, 2, 10, 20, 30);
    QTest::addRow("us month first, no seconds") << "01/02/2024 10:20" << dt(2024, 1, 2, 10, 20);
    QTest::addRow("compact") << "20240102 102030" << dt(2024, 1, 2, 10, 20, 30);
    QTest::addRow("colon milliseconds") << "02.01.2024 10:20:30:250" << dt(2024, 1, 2, 10, 20, 30, 250);
    QTest::addRow("two-digit year is 19xx") << "02.01.23" << dt(1923, 1, 2);
    QTest::addRow("impossible date keeps the time") << "31.02.2024 10:00" << dt(1899, 12, 30, 10);
    QTest::addRow("hour 24 is ignored") << "02.01.2024 24:00:00" << dt(2024, 1, 2);
    QTest::addRow("time only") << "07:30" << dt(1899, 12, 30, 7, 30);
    QTest::addRow("zone offset not read") << "2024-01-02T10:20:30+03:00" << dt(2024, 1, 2, 10, 20, 30);
    QTest::addRow("empty") << "" << 0.0;
    QTest::addRow("garbage") << "hello" << 0.0;
}

void TestZtDates::parse()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(ParseDateTime(text), expected);
}

// The shortcuts for readers of many dates. The service's one must give what
// ParseDateTime gives whenever it answers; the import's one keeps
// milliseconds and refuses what it cannot read exactly.
void TestZtDates::fastPaths_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("serviceReads");
    QTest::addColumn<bool>("importReads");
    QTest::addColumn<double>("importValue");
    const double none = std::nan("");
    QTest::addRow("iso") << "2024-01-02T10:20:30" << true << true << dt(2024, 1, 2, 10, 20, 30);
    QTest::addRow("iso with Z") << "2024-01-02T10:20:30Z" << true << true << dt(2024, 1, 2, 10, 20, 30);
    QTest::addRow("iso with a blank") << "2024-01-02 10:20:30" << true << true << dt(2024, 1, 2, 10, 20, 30);
    QTest::addRow("fraction") << "2024-01-02T10:20:30.25Z" << false << true << dt(2024, 1, 2, 10, 20, 30, 250);
    QTest::addRow("fraction past milliseconds") << "2024-01-02T10:20:30.1239" << false << true << dt(2024, 1, 2, 10, 20, 30, 123);
    QTest::addRow("dotted") << "02.01.2024 10:20:30" << false << true << dt(2024, 1, 2, 10, 20, 30);
    QTest::addRow("impossible date") << "2024-02-30T10:20:30Z" << true << false << none;
    QTest::addRow("hour 24") << "2024-01-02T24:00:00Z" << true << false << none;
    QTest::addRow("year below 1000") << "0999-01-02T10:20:30" << false << true << dt(999, 1, 2, 10, 20, 30);
    QTest::addRow("zone offset") << "2024-01-02T10:20:30+03:00" << false << false << none;
    QTest::addRow("no seconds") << "2024-01-02T10:20" << false << false << none;
    QTest::addRow("non-ASCII digit") << QStringLiteral("2024-01-02T10:20:3\u0663") << false << false << none;
    QTest::addRow("non-ASCII digit in the fraction") << QStringLiteral("2024-01-02T10:20:30.\u0663") << false << false << none;
    QTest::addRow("trailing text") << "2024-01-02T10:20:30 x" << false << false << none;
}

void TestZtDates::fastPaths()
{
    QFETCH(QString, text);
    QFETCH(bool, serviceReads);
    QFETCH(bool, importReads);
    QFETCH(double, importValue);
    const QByteArray utf8 = text.toUtf8();
    TDateTime v = -1;
    QCOMPARE(ParseIsoDateTimeFast(std::string_view(utf8.constData(), size_t(utf8.size())), v), serviceReads);
    if (serviceReads)
        QCOMPARE(v, ParseDateTime(text));
    v = -1;
    QCOMPARE(ParseDateTimeFast(text, v), importReads);
    if (importReads)
        QCOMPARE(v, importValue);
    else
        QCOMPARE(v, -1.0); // left alone
}

void TestZtDates::parseOrUnix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::addRow("one day after the epoch") << "86400" << dt(1970, 1, 2);
    QTest::addRow("epoch") << "0" << dt(1970, 1, 1);
    QTest::addRow("not only digits") << "02.01.2024" << dt(2024, 1, 2);
}

void TestZtDates::parseOrUnix()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(ParseDateTimeOrUnix(text), expected);
}

void TestZtDates::format_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::addRow("default") << "" << dt(2024, 1, 2, 3, 4, 5) << "02.01.2024 03:04:05";
    QTest::addRow("milliseconds") << "hh:nn:ss.zzz" << dt(2024, 1, 2, 3, 4, 5, 60) << "03:04:05.060";
    QTest::addRow("short parts") << "d.m.yy h:n:s" << dt(2024, 1, 2, 3, 4, 5) << "2.1.24 3:4:5";
    QTest::addRow("quoted text copied") << "yyyy'mm'dd" << dt(2024, 1, 2) << "2024mm02";
    QTest::addRow("NaN") << "" << NoDateTime << "NaN";
    QTest::addRow("mm after hours is minutes") << "dd.mm hh:mm" << dt(2024, 1, 2, 3, 4, 5) << "02.01 03:04";
    QTest::addRow("file stamp") << "yyyy_mm_dd_hh_nn" << dt(2024, 11, 2, 3, 4, 5) << "2024_11_02_03_04";
    // 23:59:59.9996 rounds to the next day, not to 24:00:00.
    QTest::addRow("rounding carries into the date") << "" << dt(2024, 1, 2) + (86400000 - 0.4) / 86400000.0
                                                    << "03.01.2024 00:00:00";
}

void TestZtDates::format()
{
    QFETCH(QString, format);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(FormatDateTimeDef(format, value), expected);
}

void TestZtDates::isoIsUtc()
{
    // Local 10:20 in a zone three hours east of UTC is 07:20 UTC.
    QCOMPARE(DateTimeToIso(dt(2024, 1, 2, 10, 20, 30), 3.0 / 24), QStringLiteral("2024-01-02T07:20:30Z"));
    QCOMPARE(DateTimeToIso(dt(2024, 1, 1, 1), 3.0 / 24), QStringLiteral("2023-12-31T22:00:00Z"));
    QCOMPARE(DateTimeToIso(NoDateTime, 0), QString());
}

void TestZtDates::duration_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("expected");
    QTest::addRow("minute, mode 0") << qint64(60) << 0 << "00:01:00";
    QTest::addRow("hour, mode 0") << qint64(3600) << 0 << "01:00:00";
    QTest::addRow("mode 0 full") << qint64(3903) << 0 << "01:05:03";
    QTest::addRow("mode 1") << qint64(3903) << 1 << "01:05";
    QTest::addRow("mode 2 under a minute") << qint64(59) << 2 << "59s";
    QTest::addRow("mode 2 full") << qint64(3903) << 2 << "1h 5m 3s";
    QTest::addRow("mode 3") << qint64(3903) << 3 << "1h 5m ";
    QTest::addRow("mode 3 under a minute") << qint64(45) << 3 << "";
    QTest::addRow("many hours") << qint64(100 * 3600) << 1 << "100:00";
}

void TestZtDates::duration()
{
    QFETCH(qint64, seconds);
    QFETCH(int, mode);
    QFETCH(QString, expected);
    QCOMPARE(DurationToStr(seconds, mode), expected);
}

void TestZtDates::qtRoundTrip()
{
    const TDateTime v = dt(2024, 2, 29, 13, 14, 15, 16);
    const QDateTime q = DateTimeToQDateTime(v);
    QCOMPARE(q, QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15, 16)));
    QCOMPARE(QDateTimeToDateTime(q), v);
    QVERIFY(std::isnan(QDateTimeToDateTime(QDateTime())));
    QVERIFY(std::isnan(EncodeDateTime(2023, 2, 29)));
}

// The one split of a value into a calendar day and a time of day, on both
// sides of midnight, of the epoch, of a leap day and of the years the
// formatter writes with four digits.
void TestZtDates::dayAndTimeOfDay_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("days");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("date");
    const double ms = 1.0 / 86400000.0;
    QTest::addRow("the epoch") << 0.0 << qint64(0) << qint64(0) << "1899-12-30";
    QTest::addRow("a millisecond before it") << -ms << qint64(-1) << qint64(86399999) << "1899-12-29";
    QTest::addRow("half a millisecond before it rounds up") << -0.4 * ms << qint64(0) << qint64(0) << "1899-12-30";
    QTest::addRow("noon the day before") << -0.5 << qint64(-1) << qint64(43200000) << "1899-12-29";
    QTest::addRow("1900-02-28, no leap day") << 60.0 << qint64(60) << qint64(0) << "1900-02-28";
    QTest::addRow("1900-03-01") << 61.0 << qint64(61) << qint64(0) << "1900-03-01";
    QTest::addRow("leap day 2000, last millisecond") << 36586.0 - ms << qint64(36585) << qint64(86399999) << "2000-02-29";
    QTest::addRow("the millisecond after it") << 36586.0 << qint64(36586) << qint64(0) << "2000-03-01";
    QTest::addRow("1970-01-01") << 25569.0 << qint64(25569) << qint64(0) << "1970-01-01";
    QTest::addRow("0001-01-01") << -693593.0 << qint64(-693593) << qint64(0) << "0001-01-01";
    QTest::addRow("9999-12-31") << 2958465.0 << qint64(2958465) << qint64(0) << "9999-12-31";
}

void TestZtDates::dayAndTimeOfDay()
{
    QFETCH(double, value);
    QFETCH(qint64, days);
    QFETCH(qint64, ms);
    QFETCH(QString, date);
    qint64 msOfDay = -1;
    QCOMPARE(SplitDateTime(value, msOfDay), days);
    QCOMPARE(msOfDay, ms);
    int y = 0, m = 0, d = 0;
    DecodeDay(days, y, m, d);
    QCOMPARE(QStringLiteral("%1-%2-%3").arg(y, 4, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0')).arg(d, 2, 10, QLatin1Char('0')), date);
    // The formatter reads the same fields.
    QCOMPARE(FormatDateTimeNaN(QStringLiteral("yyyy-mm-dd"), value), date);
}

void TestZtDates::nowInZone_data()
{
    QTest::addColumn<QByteArray>("computerZone");
    QTest::addColumn<int>("computerOffset"); // seconds east of UTC
    QTest::addColumn<int>("zone");           // seconds east of UTC
    QTest::addRow("computer UTC, zone UTC+5") << QByteArray("UTC") << 0 << 5 * 3600;
    QTest::addRow("computer UTC+14, zone UTC-10") << QByteArray("Etc/GMT-14") << 14 * 3600 << -10 * 3600;
    QTest::addRow("computer UTC-11, zone UTC+9") << QByteArray("Etc/GMT+11") << -11 * 3600 << 9 * 3600;
    QTest::addRow("computer and zone UTC+5") << QByteArray("Etc/GMT-5") << 5 * 3600 << 5 * 3600;
}

// The present in a zone does not depend on the computer's zone.
void TestZtDates::nowInZone()
{
    QFETCH(QByteArray, computerZone);
    QFETCH(int, computerOffset);
    QFETCH(int, zone);
    const QByteArray old = qgetenv("TZ");
    const auto restore = qScopeGuard([&] {
        if (old.isEmpty())
            qunsetenv("TZ");
        else
            qputenv("TZ", old);
        tzset();
    });
    qputenv("TZ", computerZone);
    tzset();
    QCOMPARE(QDateTime::currentDateTime().offsetFromUtc(), computerOffset);
    const TDateTime expected = QDateTimeToDateTime(QDateTime::currentDateTimeUtc().addSecs(zone));
    QVERIFY(std::abs(NowInZone(zone / 86400.0) - expected) * 86400.0 < 2.0);
}

QTEST_GUILESS_MAIN(TestZtDates)
#include "tst_ZtDates.moc"
