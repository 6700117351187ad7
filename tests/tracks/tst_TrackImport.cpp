#include "OSM.GeoTrack.h"
#include "TestPaths.h"
#include "TrackImport.h"
#include "ZtDates.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Zone = 3.0 / 24; // the user is at UTC+3

bool Same(double a, double b, double eps = 1e-9) { return (std::isnan(a) && std::isnan(b)) || std::fabs(a - b) <= eps; }
bool SameTime(double a, double b) { return Same(a, b, 0.5 / 86400); }

QString Write(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString fn = dir.filePath(name);
    QFile f(fn);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return fn;
}

struct Logged
{
    QStringList lines;
    TLogCallback callback()
    {
        return [this](const QString &Fmt, const QVariantList &, int) { lines << Fmt; };
    }
    bool has(const QString &part) const
    {
        for (const QString &l : lines)
            if (l.contains(part))
                return true;
        return false;
    }
};
} // namespace

class tst_TrackImport : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;

private Q_SLOTS:
    void delimited_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("bad");
        QTest::addColumn<double>("time");
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("speed");
        QTest::addColumn<double>("alt");

        const double t0 = EncodeDateTime(2023, 11, 14, 22, 13, 20);
        QTest::addRow("unix seconds are UTC") << QByteArray("time;lat;lon;speed\n1700000000;57.99;56.27;12\n") << ";" << 1
                                              << 0 << t0 + Zone << 57.99 << 56.27 << 12.0 << NaN;
        QTest::addRow("speed with decimals") << QByteArray("time;lat;lon;speed\n1700000000;57.99;56.27;12.5\n") << ";" << 1 << 0
                                             << t0 + Zone << 57.99 << 56.27 << 12.5 << NaN;
        QTest::addRow("unreadable speed is missing")
            << QByteArray("time;lat;lon;speed;alt\n14.11.2023 22:13:20;57.99;56.27;12 km/h;n/a\n") << ";" << 1 << 0 << t0
            << 57.99 << 56.27 << NaN << NaN;
        QTest::addRow("tab") << QByteArray("time\tlat\tlon\talt\n14.11.2023 22:13:20\t57.99\t56.27\t140.5\n") << "\t" << 1 << 0
                             << t0 << 57.99 << 56.27 << NaN << 140.5;
        QTest::addRow("blank") << QByteArray("time lat lon\n2023-11-14T22:13:20 57.99 56.27\n") << " " << 1 << 0 << t0 << 57.99
                               << 56.27 << NaN << NaN;
        QTest::addRow("ISO time in UTC") << QByteArray("time,lat,lon\n2023-11-14T22:13:20Z,57.99,56.27\n") << "," << 1 << 0
                                         << t0 + Zone << 57.99 << 56.27 << NaN << NaN;
        QTest::addRow("blanks around the separator are part of it")
            << QByteArray("time ; lat ; lon\n14.11.2023 22:13:20 ; 57.99 ; 56.27\n") << " ; " << 1 << 0 << t0 << 57.99 << 56.27
            << NaN << NaN;
        QTest::addRow("quoted cells, decimal comma")
            << QByteArray("\"time\";\"lat\";\"lon\"\n\"14.11.2023 22:13:20\";\"57,99\";\"56,27\"\n") << ";" << 1 << 0 << t0
            << 57.99 << 56.27 << NaN << NaN;
        QTest::addRow("separator inside quotes")
            << QByteArray("name;time;lat;lon\n\"a;\"\"b\"\"\";14.11.2023 22:13:20;57.99;56.27\n") << ";" << 1 << 0 << t0 << 57.99
            << 56.27 << NaN << NaN;
        QTest::addRow("final separator, first column latitude")
            << QByteArray("lat;lon;time;\n57.99;56.27;14.11.2023 22:13:20;\n") << ";" << 1 << 0 << t0 << 57.99 << 56.27 << NaN
            << NaN;
        QTest::addRow("empty column name matches no field")
            << QByteArray(";lat;lon;time\nx;57.99;56.27;14.11.2023 22:13:20\n") << ";" << 1 << 0 << t0 << 57.99 << 56.27 << NaN
            << NaN;
        QTest::addRow("bad rows skipped, good rows kept")
            << QByteArray("time;lat;lon\n"
                          "14.11.2023 22:13:20;0;56.27\n"          // latitude 0
                          "14.11.2023 22:13:20;95;56.27\n"         // latitude out of range
                          "14.11.2023 22:13:20;57.99;-181\n"       // longitude out of range
                          "abc;57.99;56.27\n"                      // no time
                          "1700000000000;57.99;56.27\n"            // milliseconds: year 55 000
                          "01.01.1970 00:00:01;57.99;56.27\n"      // before 1990
                          "22:13:20;57.99;56.27\n"                 // a time without a date
                          ";57.99;56.27\n"                         // empty time
                          "14.11.2023 22:13:20;57.99;56.27\n")
            << ";" << 1 << 8 << t0 << 57.99 << 56.27 << NaN << NaN;
        QTest::addRow("only bad rows make no track") << QByteArray("time;lat;lon\n14.11.2023 22:13:20;0;0\n") << ";" << 0 << 1
                                                     << NaN << NaN << NaN << NaN << NaN;
    }
    void delimited()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, separator);
        QFETCH(int, points);
        QFETCH(int, bad);
        QFETCH(double, time);
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(double, speed);
        QFETCH(double, alt);
        Logged log;
        TTrackImport imp(Zone, log.callback());
        QVERIFY(imp.LoadFile(Write(fDir, QStringLiteral("in.csv"), content)) >= 1);
        QVERIFY(imp.ParseSource(separator));
        const auto track = imp.MakeTrack(imp.GuessColumns(), QStringLiteral("imported"), 2, 3);
        QCOMPARE(imp.BadRows(), bad);
        if (points == 0) {
            QVERIFY(!track);
            return;
        }
        QVERIFY(track);
        QCOMPARE(int(track->Points().size()), points);
        const TTrackPointInfo &p = *track->Points().back();
        QVERIFY2(SameTime(p.gps_dt, time), qPrintable(FormatDateTimeDef(QString(), p.gps_dt)));
        QVERIFY(SameTime(p.obj_dt, time));
        QVERIFY(std::isnan(p.sys_dt));
        QVERIFY(Same(p.lat, lat));
        QVERIFY(Same(p.lon, lon));
        QVERIFY(Same(p.speed, speed));
        QVERIFY(Same(p.alt, alt));
        QVERIFY(std::isnan(p.acc));
        QVERIFY(std::isnan(p.angle));
        QCOMPARE(track->Sign(), QStringLiteral("imported"));
        QCOMPARE(int(track->Layer()), 3);
        QCOMPARE(track->Style().Sign, GeoTrackStyle(2).Sign);
        if (bad > 0)
            QVERIFY(log.has(QStringLiteral("X[1]: no data")));
    }

    void guessAndSeparatorRules()
    {
        Logged log;
        TTrackImport imp(0, log.callback());
        QCOMPARE(imp.LoadFile(Write(fDir, QStringLiteral("g.csv"), "lat;lon;time;\n57.99;56.27;14.11.2023 22:13:20;\n")), 1);
        QVERIFY(!imp.ParseSource(QString()));
        QVERIFY(log.has(QStringLiteral("Empty separator")));
        QVERIFY(imp.ParseSource(QStringLiteral(";")));
        QCOMPARE(imp.Headers(), (QStringList{"lat", "lon", "time"}));
        const TTrackImport::TColumns c = imp.GuessColumns();
        QCOMPARE(c[TTrackImport::fdTime], 2);
        QCOMPARE(c[TTrackImport::fdLatitude], 0);
        QCOMPARE(c[TTrackImport::fdLongitude], 1);
        for (int f : {TTrackImport::fdAltitude, TTrackImport::fdAccuracy, TTrackImport::fdSpeed, TTrackImport::fdBearing})
            QCOMPARE(c[f], -1);
        QCOMPARE(imp.Cell(0, 2), QStringLiteral("14.11.2023 22:13:20"));
        QCOMPARE(imp.Cell(0, 7), QString());
        // A file that is missing or empty loads no rows.
        QCOMPARE(imp.LoadFile(fDir.filePath(QStringLiteral("none.csv"))), -1);
        QVERIFY(!imp.ParseSource(QStringLiteral(";")));
        QVERIFY(log.has(QStringLiteral("X: No data")));
    }

    // The quick reader of the usual time shapes gives what the general one gives.
    void quickTimesAgreeWithGeneralReader_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addRow("dotted") << "14.11.2023 22:13:20";
        QTest::addRow("iso T") << "2023-11-14T22:13:20";
        QTest::addRow("iso blank") << "2023-11-14 22:13:20";
        QTest::addRow("slashes") << "11/14/2023 22:13:20";
        QTest::addRow("leap day") << "29.02.2024 00:00:00";
    }
    void quickTimesAgreeWithGeneralReader()
    {
        QFETCH(QString, text);
        TTrackImport imp(0);
        QVERIFY(Same(imp.ReadTime(text), ParseDateTime(text), 1e-9));
    }

    // The program's own CSV export reads back to the same points, every
    // column found by its name: a message without a GPS time keeps its
    // place by the service's time, one without a fix comes back without one.
    void ownCsvExportRoundTrip()
    {
        TGeoTrack t;
        t.SetSign(QStringLiteral("round"));
        const double t0 = EncodeDateTime(2024, 3, 1, 10, 0, 0);
        for (int i = 0; i < 7; ++i) {
            auto p = std::make_unique<TTrackPointInfo>(i + 1, 7);
            p->sys_dt = t0 + i * 30 / 86400.0 + 2 / 86400.0;
            p->obj_dt = p->gps_dt = t0 + i * 30 / 86400.0;
            p->lat = 55.751244 + i * 0.001;
            p->lon = 37.618423 - i * 0.002;
            p->alt = 150 + i;
            p->acc = 10 + i;
            p->speed = 20 + i;
            p->angle = 90 + i;
            if (i == 2) // positioned by the network: no GPS time
                p->obj_dt = p->gps_dt = NaN;
            if (i == 4) // no fix at all
                p->obj_dt = p->gps_dt = p->lat = p->lon = p->alt = p->acc = p->speed = p->angle = NaN;
            t.Points().push_back(std::move(p));
        }
        QString fn = fDir.filePath(QStringLiteral("own"));
        QVERIFY(t.ExportTrack(fn, 1, Zone) > 0);
        Logged log;
        TTrackImport imp(Zone, log.callback());
        QCOMPARE(imp.LoadFile(fn), 7);
        QVERIFY(imp.ParseSource(QStringLiteral(";")));
        const TTrackImport::TColumns c = imp.GuessColumns();
        const QStringList own{"gps_time", "lat", "lon", "alt", "accuracy", "speed", "angle", "sys_time"};
        for (int f = 0; f < TTrackImport::FieldCount; ++f)
            QCOMPARE(imp.Headers().value(c[f]), own[f]);
        const auto back = imp.MakeTrack(c, QStringLiteral("back"), 0, 0);
        QVERIFY(back);
        QCOMPARE(imp.BadRows(), 0);
        QCOMPARE(back->Points().size(), t.Points().size());
        for (size_t i = 0; i < t.Points().size(); ++i) {
            const TTrackPointInfo &a = *t.Points()[i], &b = *back->Points()[i];
            QVERIFY(SameTime(a.gps_dt, b.gps_dt));
            QVERIFY(SameTime(a.sys_dt, b.sys_dt));
            QVERIFY(SameTime(std::isnan(a.gps_dt) ? a.sys_dt : a.gps_dt, b.obj_dt));
            QVERIFY(Same(a.lat, b.lat, 1e-7));
            QVERIFY(Same(a.lon, b.lon, 1e-7));
            QVERIFY(Same(a.alt, b.alt));
            QVERIFY(Same(a.acc, b.acc));
            QVERIFY(Same(a.speed, b.speed));
            QVERIFY(Same(a.angle, b.angle));
        }
        QCOMPARE(back->Info().GoodPointsCount, 6);
    }

    // A row with an empty time takes its service time only when the file
    // has one; a row without any position alone makes no track.
    void timeAndPositionFallbacks_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("bad");
        QTest::addRow("empty time, service time there")
            << QByteArray("gps_time;sys_time;lat;lon\n;14.11.2023 22:13:20;57.99;56.27\n") << 1 << 0;
        QTest::addRow("empty time, no service time")
            << QByteArray("gps_time;sys_time;lat;lon\n;;57.99;56.27\n14.11.2023 22:13:20;;57.99;56.27\n") << 1 << 1;
        QTest::addRow("unreadable time is bad even with a service time")
            << QByteArray("gps_time;sys_time;lat;lon\nabc;14.11.2023 22:13:20;57.99;56.27\n14.11.2023 22:13:20;;57.99;56.27\n")
            << 1 << 1;
        QTest::addRow("no fix beside a fix")
            << QByteArray("time;lat;lon\n14.11.2023 22:13:20;;\n14.11.2023 22:13:50;57.99;56.27\n") << 2 << 0;
        QTest::addRow("only rows without a fix") << QByteArray("time;lat;lon\n14.11.2023 22:13:20;;\n") << 0 << 0;
        QTest::addRow("one of the two empty is bad")
            << QByteArray("time;lat;lon\n14.11.2023 22:13:20;57.99;\n14.11.2023 22:13:50;57.99;56.27\n") << 1 << 1;
    }
    void timeAndPositionFallbacks()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, points);
        QFETCH(int, bad);
        TTrackImport imp(0);
        QVERIFY(imp.LoadFile(Write(fDir, QStringLiteral("fallback.csv"), content)) >= 1);
        QVERIFY(imp.ParseSource(QStringLiteral(";")));
        const auto track = imp.MakeTrack(imp.GuessColumns(), QStringLiteral("f"), 0, 0);
        QCOMPARE(imp.BadRows(), bad);
        QCOMPARE(track ? int(track->Points().size()) : 0, points);
        if (track)
            for (const auto &p : track->Points())
                QVERIFY(!std::isnan(p->obj_dt));
    }

    // Every number a point carries is range-checked where it is read: a
    // bearing is reduced modulo 360 (none when not finite), an altitude,
    // accuracy or speed beyond what a receiver reports is missing. Both
    // file kinds, both sides of each limit.
    void valuesInRange_data()
    {
        QTest::addColumn<bool>("gpx");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        const int bearing = TTrackImport::fdBearing, alt = TTrackImport::fdAltitude, acc = TTrackImport::fdAccuracy,
                  speed = TTrackImport::fdSpeed;
        for (const bool gpx : {false, true}) {
            const char *kind = gpx ? "GPX" : "CSV";
            const auto row = [&](const char *name, int field, const char *text, double expected) {
                QTest::addRow("%s %s", kind, name) << gpx << field << QString::fromLatin1(text) << expected;
            };
            row("bearing 359.5", bearing, "359.5", 359.5);
            row("bearing 360", bearing, "360", 0);
            row("bearing 720.5", bearing, "720.5", 0.5);
            row("bearing -90", bearing, "-90", 270);
            row("bearing 1e306", bearing, "1e306", std::fmod(1e306, 360.0));
            row("bearing -1e306", bearing, "-1e306", 360 - std::fmod(1e306, 360.0));
            row("bearing 1.7e308", bearing, "1.7e308", std::fmod(1.7e308, 360.0));
            row("bearing 1e400", bearing, "1e400", NaN);
            row("altitude 100000", alt, "100000", 100000);
            row("altitude 100001", alt, "100001", NaN);
            row("altitude -12000", alt, "-12000", -12000);
            row("altitude -12001", alt, "-12001", NaN);
            row("altitude 1e306", alt, "1e306", NaN);
            row("speed 0", speed, "0", 0);
            row("speed -1", speed, "-1", NaN);
            row("speed 20000", speed, "20000", 20000);
            row("speed 20001", speed, "20001", NaN);
            row("speed 1e306", speed, "1e306", NaN);
        }
        // The CSV accuracy column (GPX has none in metres).
        QTest::addRow("CSV accuracy 0") << false << acc << "0" << 0.0;
        QTest::addRow("CSV accuracy -0.5") << false << acc << "-0.5" << NaN;
        QTest::addRow("CSV accuracy 1000000") << false << acc << "1000000" << 1000000.0;
        QTest::addRow("CSV accuracy 1000001") << false << acc << "1000001" << NaN;
    }
    void valuesInRange()
    {
        QFETCH(bool, gpx);
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(double, expected);
        Logged log;
        TTrackImport imp(0, log.callback());
        TTrackImport::TColumns c;
        if (gpx) {
            const char *tag = field == TTrackImport::fdBearing ? "course" : field == TTrackImport::fdSpeed ? "speed" : "ele";
            const QByteArray value = text.toLatin1();
            const QByteArray doc = QByteArray("<?xml version=\"1.0\"?><gpx version=\"1.0\"><trk><trkseg>"
                                              "<trkpt lat=\"57.5\" lon=\"56.2\"><time>2023-11-14T22:13:20Z</time><")
                                   + tag + ">" + value + "</" + tag + "></trkpt></trkseg></trk></gpx>";
            QCOMPARE(imp.LoadFile(Write(fDir, QStringLiteral("r.gpx"), doc)), 1);
            QVERIFY(imp.ParseSource(QStringLiteral(";")));
            c = imp.GuessColumns();
        } else {
            QCOMPARE(imp.LoadFile(Write(fDir, QStringLiteral("r.csv"), "time;lat;lon;value\n14.11.2023 22:13:20;57.5;56.2;" + text.toLatin1() + "\n")), 1);
            QVERIFY(imp.ParseSource(QStringLiteral(";")));
            for (int &col : c)
                col = -1;
            c[TTrackImport::fdTime] = 0;
            c[TTrackImport::fdLatitude] = 1;
            c[TTrackImport::fdLongitude] = 2;
            c[field] = 3;
        }
        const auto t = imp.MakeTrack(c, QStringLiteral("r"), 0, 0);
        QVERIFY(t);
        QCOMPARE(t->Points().size(), size_t(1));
        const TTrackPointInfo &p = *t->Points()[0];
        const double got = field == TTrackImport::fdBearing ? p.angle
                         : field == TTrackImport::fdSpeed   ? p.speed
                         : field == TTrackImport::fdAccuracy ? p.acc
                                                             : p.alt;
        QVERIFY2(Same(got, expected), qPrintable(QString::number(got, 'g', 17)));
        if (field == TTrackImport::fdBearing)
            QVERIFY(std::isnan(got) || (got >= 0 && got < 360));
        // A value dropped by its range is named; a bearing is reduced, not dropped.
        const bool dropped = field != TTrackImport::fdBearing && std::isnan(expected);
        QCOMPARE(log.has(QStringLiteral("X: 1 values out of range read as missing")), dropped);
    }

    void gpx_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("hasSpeed");
        QTest::addRow("gpsbabel GPX 1.0") << "gpsbabel_1_0.gpx" << true;
        QTest::addRow("gpsbabel GPX 1.1") << "gpsbabel_1_1.gpx" << false;
    }
    void gpx()
    {
        QFETCH(QString, file);
        QFETCH(bool, hasSpeed);
        TTrackImport imp(Zone);
        // The content decides, not the name.
        QFile::copy(TestPaths::dataDir() + QStringLiteral("/tracks/") + file, fDir.filePath(file + QStringLiteral(".txt")));
        QCOMPARE(imp.LoadFile(fDir.filePath(file + QStringLiteral(".txt"))), 3);
        QCOMPARE(imp.Kind(), TTrackImport::kGpx);
        QVERIFY(imp.ParseSource(QStringLiteral(";")));
        const auto t = imp.MakeTrack(imp.GuessColumns(), file, 0, 0);
        QVERIFY(t);
        QCOMPARE(t->Points().size(), size_t(3));
        const TTrackPointInfo &p = *t->Points()[1];
        QVERIFY(Same(p.lat, 57.9915 - 0.0005));
        QVERIFY(Same(p.lon, 56.2715));
        QVERIFY(SameTime(p.gps_dt, EncodeDateTime(2023, 11, 14, 22, 13, 50) + Zone));
        QVERIFY(Same(p.alt, 121));
        QVERIFY(Same(p.speed, hasSpeed ? 6.0 : NaN));
    }

    void ownGpxExportRoundTrip()
    {
        TGeoTrack t;
        t.SetSign(QStringLiteral("A & <B>"));
        const double t0 = EncodeDateTime(2024, 3, 1, 23, 59, 30);
        for (int i = 0; i < 4; ++i) {
            auto p = std::make_unique<TTrackPointInfo>(i + 1, 7);
            p->sys_dt = p->obj_dt = p->gps_dt = t0 + i * 20 / 86400.0;
            p->lat = -33.868820 + i * 0.0001;
            p->lon = 151.209296 + i * 0.0001;
            p->alt = 12;
            t.Points().push_back(std::move(p));
        }
        QString fn = fDir.filePath(QStringLiteral("own.gpx"));
        QVERIFY(t.ExportTrack(fn, 2, Zone) > 0);
        TTrackImport imp(Zone);
        QCOMPARE(imp.LoadFile(fn), 4);
        QVERIFY(imp.ParseSource(QStringLiteral(";")));
        const auto back = imp.MakeTrack(imp.GuessColumns(), QStringLiteral("back"), 0, 0);
        QVERIFY(back);
        for (size_t i = 0; i < t.Points().size(); ++i) {
            QVERIFY(SameTime(t.Points()[i]->gps_dt, back->Points()[i]->gps_dt));
            QVERIFY(Same(t.Points()[i]->lat, back->Points()[i]->lat, 1e-7));
            QVERIFY(Same(t.Points()[i]->lon, back->Points()[i]->lon, 1e-7));
        }
    }

    void malformedGpxImportsNothing()
    {
        Logged log;
        TTrackImport imp(0, log.callback());
        QCOMPARE(imp.LoadFile(TestPaths::dataDir() + QStringLiteral("/tracks/malformed.gpx")), -1);
        QCOMPARE(imp.RowCount(), 0);
        QVERIFY2(log.has(QStringLiteral("GPX line 6:")), qPrintable(log.lines.join(u'|')));
        QVERIFY(!imp.ParseSource(QStringLiteral(";")));
    }

    // A GPX file with one attribute or text beyond the cap is refused, with
    // the line and the reason, before the XML reader holds it; one at the
    // cap loads.
    void hugeGpxNodeRefused_data()
    {
        QTest::addColumn<bool>("attribute");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<bool>("loads");
        const qsizetype cap = TTrackImport::MaxGpxNodeBytes;
        for (const bool attribute : {true, false}) {
            const char *kind = attribute ? "attribute" : "text";
            QTest::addRow("%s just below the cap", kind) << attribute << cap - 64 << true;
            QTest::addRow("%s past the cap", kind) << attribute << cap + 1 << false;
            QTest::addRow("%s of 64 MB", kind) << attribute << (qsizetype(64) << 20) << false;
        }
    }
    void hugeGpxNodeRefused()
    {
        QFETCH(bool, attribute);
        QFETCH(qsizetype, length);
        QFETCH(bool, loads);
        const QByteArray filler(length, 'a');
        QByteArray doc = "<?xml version=\"1.0\"?>\n<gpx version=\"1.0\">\n<trk><trkseg>\n"
                         "<trkpt lat=\"57.5\" lon=\"56.2\"><time>2023-11-14T22:13:20Z</time></trkpt>\n";
        if (attribute)
            doc += "<trkpt lat=\"57.6\" lon=\"56.3\" note=\"" + filler + "\"><time>2023-11-14T22:13:30Z</time></trkpt>\n";
        else
            doc += "<trkpt lat=\"57.6\" lon=\"56.3\"><time>2023-11-14T22:13:30Z</time><desc>" + filler + "</desc></trkpt>\n";
        doc += "</trkseg></trk></gpx>\n";
        Logged log;
        TTrackImport imp(0, log.callback());
        QCOMPARE(imp.LoadFile(Write(fDir, QStringLiteral("huge.gpx"), doc)), loads ? 2 : -1);
        QCOMPARE(imp.RowCount(), loads ? 2 : 0);
        QCOMPARE(log.has(QStringLiteral("X: GPX line 5: a text or attribute longer than 4 MB")), !loads);
        QFile::remove(fDir.filePath(QStringLiteral("huge.gpx")));
    }

    void initTestCase() { QVERIFY(fDir.isValid()); }
};

QTEST_MAIN(tst_TrackImport)
#include "tst_TrackImport.moc"
