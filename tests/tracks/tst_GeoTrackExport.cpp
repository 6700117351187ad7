#include "OSM.GeoTrack.h"
#include "TestPaths.h"
#include "ZtDates.h"
#include "ZtUtils.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double ThreeHours = 3.0 / 24.0;
const QByteArray Bom("\xEF\xBB\xBF");
const TDateTime T0 = EncodeDateTime(2024, 3, 1, 10, 0, 0);

std::unique_ptr<TTrackPointInfo> point(int32_t uid, double lon, double lat, int seconds)
{
    auto p = std::make_unique<TTrackPointInfo>(uid, 7);
    p->lon = lon;
    p->lat = lat;
    p->sys_dt = T0 + (seconds + 1) / 86400.0;
    p->obj_dt = T0 + seconds / 86400.0;
    p->gps_dt = T0 + seconds / 86400.0;
    return p;
}

void addSensor(TTrackPointInfo &p, const QString &sign, const QString &val)
{
    p.sensors.push_back(std::make_unique<TTrackPointSensorInfo>(int32_t(p.sensors.size() + 1), sign, val));
}

void addZone(TTrackPointInfo &p, const QString &name)
{
    auto z = std::make_unique<TZoneInfo>();
    z->name = name;
    p.zones.push_back(std::move(z));
}

// A small track with the awkward cases: markup in the name and a comment,
// missing values, a point without position, a heading below zero.
void fillTrack(TGeoTrack &t)
{
    t.SetSign(QStringLiteral("Trip \"A\" & <B>"));
    auto a = point(1, 37.6, 55.7, 0);
    a->alt = 150.4;
    a->speed = 36.2;
    a->angle = -10;
    a->acc = 12;
    a->src = 0;
    a->bat = 88;
    addSensor(*a, QStringLiteral("event"), QStringLiteral("door <open> & 'alarm'"));
    addSensor(*a, QStringLiteral("heartRate"), QStringLiteral("71"));
    addZone(*a, QStringLiteral("Home"));
    addZone(*a, QStringLiteral("Work"));
    t.Points().push_back(std::move(a));

    auto b = point(2, -70.654321, -33.123456, 65); // only a position and times
    t.Points().push_back(std::move(b));

    auto c = std::make_unique<TTrackPointInfo>(3, 7); // no position at all
    c->obj_dt = NaN;
    c->sys_dt = NaN;
    c->gps_dt = NaN;
    t.Points().push_back(std::move(c));

    auto d = point(4, 151.2093, -33.8688, 3600 * 20); // crosses midnight in UTC and locally
    d->angle = 359.7;
    addSensor(*d, QStringLiteral("event"), QString()); // empty: no comment
    t.Points().push_back(std::move(d));
}

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a tool that scripts/setup installs; fails the test when it is missing.
bool runTool(const QString &program, const QStringList &args, QByteArray *out, QByteArray *err)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        *err = program.toUtf8() + " is not installed (scripts/setup installs it)";
        return false;
    }
    p.waitForFinished(60000);
    *out = p.readAllStandardOutput();
    *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The CSV line the export must write, built with the foundation's own
// formatters (QString based), as an independent reference.
QString referenceCsvLine(const TTrackPointInfo &p)
{
    const QString dt = QStringLiteral("dd.mm.yyyy hh:nn:ss");
    QStringList sensors, zones;
    for (const auto &s : p.sensors)
        sensors << s->sign + u'=' + s->val;
    for (const auto &z : p.zones)
        zones << z->name;
    const QStringList f{QString::number(p.uid), FormatDateTimeNaN(dt, p.sys_dt), FormatDateTimeNaN(dt, p.obj_dt),
                        QString::number(p.src), FormatDateTimeNaN(dt, p.gps_dt), FloatToStrN(p.lat, 6),
                        FloatToStrN(p.lon, 6), FloatToStrN(p.alt, 0), FloatToStrN(p.acc, 0),
                        FloatToStrN(p.speed, 0), FloatToStrN(p.angle, 0), QString::number(p.bat),
                        sensors.join(u','), zones.join(u',')};
    return f.join(u';') + QStringLiteral(";\r\n");
}

} // namespace

class TestGeoTrackExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileNameAndFailures_data();
    void fileNameAndFailures();
    void unsupportedFormatThrows();
    void csvLayout();
    void csvNumbersAndTimesMatchFormatters();
    void gpxContent();
    void gpxValidatesAgainstSchema();
    void gpxReadsBackThroughGpsbabel();
    void replacesExistingFile();
};

void TestGeoTrackExport::fileNameAndFailures_data()
{
    QTest::addColumn<QString>("name"); // relative to a temporary folder
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("written"); // file name afterwards; empty: nothing written
    QTest::addColumn<qint64>("result");   // 0: a positive byte count
    QTest::addRow("empty name") << QString() << 1 << QString() << qint64(-1);
    QTest::addRow("gpx extension added") << "track" << 2 << "track.gpx" << qint64(0);
    QTest::addRow("csv extension added") << "track" << 1 << "track.csv" << qint64(0);
    QTest::addRow("own extension kept") << "track.txt" << 2 << "track.txt" << qint64(0);
    QTest::addRow("folder missing") << "nowhere/track.csv" << 1 << QString() << qint64(-2);
}

void TestGeoTrackExport::fileNameAndFailures()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    QFETCH(QString, written);
    QFETCH(qint64, result);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TGeoTrack t;
    fillTrack(t);
    QString fileName = name.isEmpty() ? QString() : dir.filePath(name);
    const qint64 r = t.ExportTrack(fileName, format, ThreeHours);
    if (result < 0) {
        QCOMPARE(r, result);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
        return;
    }
    QCOMPARE(fileName, dir.filePath(written));
    QVERIFY(r > 0);
    QCOMPARE(r, QFileInfo(fileName).size()); // the byte count covers everything, the mark included
}

void TestGeoTrackExport::unsupportedFormatThrows()
{
    QTemporaryDir dir;
    TGeoTrack t;
    QString name = dir.filePath(QStringLiteral("t"));
    try {
        t.ExportTrack(name, 3, 0);
        QFAIL("no exception");
    } catch (const EZtError &e) {
        QCOMPARE(e.message(), QStringLiteral("Export track: unsupported format [3]"));
    }
    QVERIFY(!QFileInfo::exists(name) && !QFileInfo::exists(name + ".csv"));
}

void TestGeoTrackExport::csvLayout()
{
    QTemporaryDir dir;
    TGeoTrack t;
    fillTrack(t);
    QString name = dir.filePath(QStringLiteral("t.csv"));
    QVERIFY(t.ExportTrack(name, 1, ThreeHours) > 0);
    QByteArray data = readAll(name);
    QVERIFY(data.startsWith(Bom));
    data = data.mid(3);
    QVERIFY(data.endsWith("\r\n"));
    const QList<QByteArray> lines = data.chopped(1).split('\n');
    QCOMPARE(lines.size(), 1 + 4); // every point, with or without position
    QCOMPARE(lines[0], QByteArray("uid;sys_time;obj_time;src;gps_time;lat;lon;alt;accuracy;speed;angle;bat;sensors;zones;\r"));
    for (const QByteArray &l : lines) {
        QVERIFY2(l.endsWith(";\r"), l.constData());
        QCOMPARE(l.count(';'), 14);
    }
    // Local times as held; no escaping in CSV.
    QCOMPARE(QString::fromUtf8(lines[1]),
             QStringLiteral("1;01.03.2024 10:00:01;01.03.2024 10:00:00;0;01.03.2024 10:00:00;55.700000;37.600000;"
                            "150;12;36;-10;88;event=door <open> & 'alarm',heartRate=71;Home,Work;\r"));
    QCOMPARE(QString::fromUtf8(lines[3]), QStringLiteral("3;NaN;NaN;-1;NaN;NaN;NaN;NaN;NaN;NaN;NaN;-1;;;\r"));
}

void TestGeoTrackExport::csvNumbersAndTimesMatchFormatters()
{
    // Rounding ties, negative zero, sub-second times near the next second,
    // big and tiny values: the fast formatter must write what
    // FloatToStrN and FormatDateTimeNaN write.
    TGeoTrack t;
    const double specials[] = {0.5, 1.5, 2.5, -2.5, -0.5, 0.125, -0.125, 0.0000005, 123456.5, -0.0, -0.4,
                               1e15 + 0.5, 2.675, 1e-7, 359.5, 1e22, -1e22, 55.7558125, 37.0000005};
    int32_t uid = 1;
    for (double v : specials) {
        auto p = std::make_unique<TTrackPointInfo>(uid++, 7);
        p->lat = p->lon = p->alt = p->acc = p->speed = p->angle = v;
        p->sys_dt = T0 + 59.9996 / 86400.0; // rounds up to the next second
        p->obj_dt = T0 + 59.9994 / 86400.0; // stays in this second
        p->gps_dt = -1.25;                  // before 1899-12-30
        t.Points().push_back(std::move(p));
    }
    QRandomGenerator rng(20241210);
    for (int k = 0; k < 20000; ++k) {
        auto p = std::make_unique<TTrackPointInfo>(int32_t(rng.generate()), int32_t(rng.bounded(1000)));
        const int scale = rng.bounded(4);
        auto val = [&]() {
            const double r = rng.generateDouble() * 2 - 1;
            switch (scale) {
            case 0: return std::ldexp(std::round(r * 4096), -rng.bounded(12)); // many exact ties
            case 1: return r * 180;
            case 2: return r * 1e6;
            default: return r;
            }
        };
        p->lat = val();
        p->lon = val();
        p->alt = val();
        p->acc = val();
        p->speed = val();
        p->angle = val();
        p->bat = int32_t(rng.bounded(200)) - 100;
        p->src = int32_t(rng.bounded(5)) - 1;
        p->sys_dt = 45000 + rng.generateDouble() * 1000;
        p->obj_dt = std::round((45000 + rng.generateDouble() * 1000) * 86400) / 86400; // whole seconds
        p->gps_dt = rng.bounded(10) == 0 ? NaN : rng.generateDouble() * 3e6 - 5e5;
        t.Points().push_back(std::move(p));
    }
    QTemporaryDir dir;
    QString name = dir.filePath(QStringLiteral("t.csv"));
    QVERIFY(t.ExportTrack(name, 1, 0) > 0);
    const QList<QByteArray> lines = readAll(name).mid(3).split('\n');
    QCOMPARE(lines.size(), qsizetype(t.Points().size() + 2)); // header, points, empty tail
    for (size_t i = 0; i < t.Points().size(); ++i) {
        const QString got = QString::fromUtf8(lines[qsizetype(i + 1)] + '\n');
        const QString want = referenceCsvLine(*t.Points()[i]);
        if (got != want)
            QFAIL(qPrintable(QStringLiteral("point %1:\n got  %2 want %3").arg(i).arg(got, want)));
    }
}

void TestGeoTrackExport::gpxContent()
{
    QTemporaryDir dir;
    TGeoTrack t;
    fillTrack(t);
    QString name = dir.filePath(QStringLiteral("t.gpx"));
    QVERIFY(t.ExportTrack(name, 2, ThreeHours) > 0);
    const QByteArray data = readAll(name);
    QVERIFY(data.startsWith(Bom + "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\r<gpx version=\"1.0\""));
    QVERIFY(data.contains("xmlns=\"http://www.topografix.com/GPX/1/0\""));
    QVERIFY(data.contains("\r\n<name>Trip &quot;A&quot; &amp; &lt;B&gt;</name>\r\n"
                          "<trk><name>Trip &quot;A&quot; &amp; &lt;B&gt;</name><number>1</number><trkseg>\r\n"));
    // Schema order, UTC time (10:00 local at +3 h), heading -10 as 350.
    QVERIFY(data.contains("<trkpt lat=\"55.700000\" lon=\"37.600000\"><ele>150</ele><time>2024-03-01T07:00:00Z</time>"
                          "<speed>36</speed><magvar>350</magvar><cmt>door &lt;open&gt; &amp; &apos;alarm&apos;</cmt>"
                          "<pdop>12</pdop></trkpt>\r\n"));
    // Missing values are left out rather than written as NaN.
    QVERIFY(data.contains("<trkpt lat=\"-33.123456\" lon=\"-70.654321\"><time>2024-03-01T07:01:05Z</time></trkpt>\r\n"));
    QVERIFY(!data.contains("NaN"));
    QCOMPARE(data.count("<trkpt "), 3); // the point without position is left out
    QVERIFY(data.contains("<time>2024-03-02T03:00:00Z</time><magvar>360</magvar></trkpt>"));
    QVERIFY(data.endsWith("</trkseg></trk>\r\n</gpx>\r\n"));
}

void TestGeoTrackExport::gpxValidatesAgainstSchema()
{
    QTemporaryDir dir;
    TGeoTrack t;
    fillTrack(t);
    QString name = dir.filePath(QStringLiteral("t.gpx"));
    QVERIFY(t.ExportTrack(name, 2, ThreeHours) > 0);
    const QString xsd = QDir(TestPaths::dataDir()).filePath(QStringLiteral("tracks/gpx-1.0.xsd"));
    QVERIFY2(QFileInfo::exists(xsd), qPrintable(xsd));
    QByteArray out, err;
    QVERIFY2(runTool(QStringLiteral("xmllint"), {"--noout", "--schema", xsd, name}, &out, &err), err.constData());
    QVERIFY2(err.contains("validates"), err.constData());
}

void TestGeoTrackExport::gpxReadsBackThroughGpsbabel()
{
    QTemporaryDir dir;
    TGeoTrack t;
    fillTrack(t);
    QString name = dir.filePath(QStringLiteral("t.gpx"));
    QVERIFY(t.ExportTrack(name, 2, ThreeHours) > 0);
    const QString csv = dir.filePath(QStringLiteral("back.csv"));
    QByteArray out, err;
    QVERIFY2(runTool(QStringLiteral("gpsbabel"), {"-t", "-i", "gpx", "-f", name, "-o", "unicsv", "-F", csv}, &out, &err),
             err.constData());

    const QList<QByteArray> lines = readAll(csv).trimmed().split('\n');
    const QList<QByteArray> head = lines[0].trimmed().split(',');
    const qsizetype iLat = head.indexOf("Latitude"), iLon = head.indexOf("Longitude");
    const qsizetype iDate = head.indexOf("Date"), iTime = head.indexOf("Time");
    QVERIFY(iLat >= 0 && iLon >= 0 && iDate >= 0 && iTime >= 0);

    QStringList got;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // No field of this track holds a comma inside quotes except the comment.
        const QList<QByteArray> f = lines[i].trimmed().split(',');
        got << QString::fromLatin1(f[iLat] + ' ' + f[iLon] + ' ' + f[iDate] + ' ' + f[iTime]);
    }
    QStringList want;
    for (const auto &p : t.Points()) {
        if (std::isnan(p->lat))
            continue;
        const double utc = p->gps_dt - ThreeHours;
        want << FloatToStrN(p->lat, 6) + u' ' + FloatToStrN(p->lon, 6) + u' '
                        + FormatDateTimeNaN(QStringLiteral("yyyy/mm/dd hh:nn:ss"), utc);
    }
    QCOMPARE(got, want);
}

void TestGeoTrackExport::replacesExistingFile()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("t.csv"));
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100000, 'x'));
    }
    TGeoTrack t;
    fillTrack(t);
    QString n = name;
    const qint64 r = t.ExportTrack(n, 1, 0);
    QCOMPARE(QFileInfo(name).size(), r);
    QVERIFY(!readAll(name).contains("xxx"));
}

QTEST_GUILESS_MAIN(TestGeoTrackExport)
#include "tst_GeoTrackExport.moc"
