#include "ExportFile.h"
#include "OSM.AddressCache.h"
#include "OSM.GeoTrack.h"
#include "TrackInfoForm.h"
#include "TrackPathForm.h"
#include "TrackPointInfoForm.h"
#include "TracksTestSupport.h"
#include "ZtDates.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTimer>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {
const double T0 = EncodeDateTime(2024, 6, 1, 10, 0, 0);

TTrackPointInfo &Add(TGeoTrack &t, double lat, double lon, double dt, const QString &osm = QString())
{
    auto p = std::make_unique<TTrackPointInfo>(int(t.Points().size() + 1), 1);
    p->lat = lat;
    p->lon = lon;
    p->sys_dt = p->obj_dt = p->gps_dt = dt;
    p->osm_id = osm;
    t.Points().push_back(std::move(p));
    return *t.Points().back();
}
} // namespace

class tst_TrackInfoForms : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    std::unique_ptr<TAddressCache> fCache;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        fCache = std::make_unique<TAddressCache>(fDir.filePath(QStringLiteral("c.address")));
        fCache->SetAddress(QStringLiteral("A"), QStringLiteral("Lenina 1"));
        fCache->SetAddress(QStringLiteral("B"), QStringLiteral("Mira 5; \"Tower\""));
    }

    void trackInfoRows_data()
    {
        QTest::addColumn<double>("hours");
        QTest::addColumn<bool>("withoutPosition");
        QTest::addColumn<QString>("duration");
        QTest::addColumn<QString>("speed");
        QTest::addRow("100 hours") << 100.0 << false << "100:00:00" << "0.01";
        QTest::addRow("zero length") << 0.0 << true << "00:00:00" << "0.00";
    }
    void trackInfoRows()
    {
        QFETCH(double, hours);
        QFETCH(bool, withoutPosition);
        QFETCH(QString, duration);
        QFETCH(QString, speed);
        TGeoTrack t(QStringLiteral("obj-1"));
        t.SetSign(QStringLiteral("Car-today"));
        Add(t, 57.0, 56.0, T0);
        Add(t, 57.01, 56.0, T0 + hours / 24);
        if (withoutPosition)
            t.Points().push_back(std::make_unique<TTrackPointInfo>(9, 1));
        t.UpdateInfo();
        QWidget main;
        auto *w = new TTrackInfoForm(fCache.get(), &main);
        w->ShowTrackInfo(&t);
        QCOMPARE(w->Value(QStringLiteral("object_id")), QStringLiteral("obj-1"));
        QCOMPARE(w->Value(QStringLiteral("duration")), duration);
        QCOMPARE(w->Value(QStringLiteral("avg_speed")), hours > 0 ? speed : QStringLiteral("0.00"));
        QCOMPARE(w->Value(QStringLiteral("gps_points")).isNull(), !withoutPosition);
        QVERIFY(w->Value(QStringLiteral("parkings")).isNull());
        QVERIFY(w->Value(QStringLiteral("addr_points")).isNull());
        QCOMPARE(w->List->item(1, 0)->text(), QStringLiteral("Track")); // translated label
        delete w;
    }

    // The path window opened from the information window is modal under the
    // main window; the information window stays until it is closed.
    void infoWindowOutlivesItsPathWindow()
    {
        TGeoTrack t;
        Add(t, 57.0, 56.0, T0, QStringLiteral("A"));
        Add(t, 57.01, 56.0, T0 + 0.01, QStringLiteral("B"));
        t.UpdateInfo();
        QWidget main;
        main.show();
        QPointer<TTrackInfoForm> w = new TTrackInfoForm(fCache.get(), &main, &main);
        w->ShowTrackInfo(&t);
        QVERIFY(w->SbPath);
        QWidget *pathParent = nullptr;
        bool infoAlive = false;
        QTimer::singleShot(50, [&] {
            auto *path = qobject_cast<TTrackPathForm *>(QApplication::activeModalWidget());
            QVERIFY(path);
            pathParent = path->parentWidget();
            main.activateWindow(); // the pop-up loses the focus meanwhile
            QApplication::processEvents();
            infoAlive = !w.isNull();
            path->reject();
        });
        QTest::mouseClick(w->SbPath, Qt::LeftButton);
        QCOMPARE(pathParent, &main);
        QVERIFY(infoAlive);
        QVERIFY(w);
        delete w;
    }

    void pointRows_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("parking");
        QTest::addColumn<QStringList>("keys");
        QTest::addRow("user, moving") << 5 << false
                                      << QStringList{"bat", "sys_time", "obj_time", "gps_time", "lat_lon", "acc", "speed", "bearing", "address", "temp"};
        QTest::addRow("admin, parking") << 9 << true
                                        << QStringList{"uid", "bat", "sys_time", "obj_time", "gps_time", "lat_lon", "acc", "park_dur", "osm_id", "address", "temp"};
    }
    void pointRows()
    {
        QFETCH(int, level);
        QFETCH(bool, parking);
        QFETCH(QStringList, keys);
        UserLevel = level;
        TTrackPointInfo p(5, 1);
        p.lat = 57;
        p.lon = 56;
        p.sys_dt = p.obj_dt = p.gps_dt = T0;
        p.speed = 30;
        p.angle = 90;
        p.acc = 5;
        p.osm_id = QStringLiteral("A");
        p.IsParking = parking;
        p.ParkingDuration = 3725;
        p.sensors.push_back(std::make_unique<TTrackPointSensorInfo>(1, QStringLiteral("temp"), QStringLiteral("a value longer than twenty characters")));
        TTrackPointInfoForm w(fCache.get());
        w.Fill(p);
        QStringList got;
        for (int r = 0; r < w.RowCount(); ++r)
            got << w.RowKey(r);
        QCOMPARE(got, keys);
        if (parking)
            QCOMPARE(w.Value(QStringLiteral("park_dur")), QStringLiteral("1:02:05"));
        QCOMPARE(w.Value(QStringLiteral("address")), QStringLiteral("Lenina 1"));
        const int last = w.RowCount() - 1;
        QVERIFY(w.List->rowHeight(last) > w.List->rowHeight(0)); // long value on several lines
        UserLevel = 0;
    }

    void path()
    {
        TGeoTrack t;
        t.SetSign(QStringLiteral("Car: path"));
        Add(t, 57.0, 56.0, T0, QStringLiteral("A"));
        Add(t, 57.0, 56.0, T0 + 0.001, QStringLiteral("A"));
        Add(t, 57.0, 56.0, T0 + 0.002);
        Add(t, 57.0, 56.0, T0 + 0.003, QStringLiteral("B"));
        Add(t, 57.0, 56.0, T0 + 0.004, QStringLiteral("A"));
        TTrackPathForm w(fCache.get());
        w.Fill(t);
        QCOMPARE(w.PathList->topLevelItemCount(), 3);
        QCOMPARE(w.PathList->topLevelItem(1)->text(1), QStringLiteral("Mira 5; \"Tower\""));
        const QString t0 = FormatDateTimeDef(QStringLiteral("dd.mm.yyyy hh:nn:ss"), T0);
        QVERIFY(w.ExportText(1).startsWith(t0 + QStringLiteral("\tLenina 1\r\n")));
        QCOMPARE(w.ExportText(2).section(QStringLiteral("\r\n"), 0, 0), QStringLiteral("Time;Address"));
        QCOMPARE(w.ExportText(2).section(QStringLiteral("\r\n"), 2, 2).section(u';', 1), QStringLiteral("\"Mira 5; \"\"Tower\"\"\""));
        w.ActCopyPath->trigger();
        QCOMPARE(QApplication::clipboard()->text(), w.ExportText(1));

        // A name ending in .csv with the TXT choice writes a TXT file.
        QStringList opened;
        ExportFile::SetOpenHook([&](const QString &fn) { opened << fn; });
        QString defaultName;
        ExportFile::SetAskHook([&](const QString &, const QString &def, const QStringList &, int &i) {
            defaultName = def;
            i = 1;
            return fDir.filePath(QStringLiteral("p.txt"));
        });
        QVERIFY(w.ExportPath() > 0);
        QVERIFY(defaultName.endsWith(QStringLiteral("/Car path.txt")));
        ExportFile::SetAskHook({});
        ExportFile::SetOpenHook({});
        QFile f(fDir.filePath(QStringLiteral("p.txt")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBF") + w.ExportText(1).toUtf8());
        QCOMPARE(opened.size(), 1);
    }

    // The path export through the save dialog: the typed name takes the
    // chosen type's extension, whatever extension was typed, and the file
    // holds that type.
    void pathExportTakesTheChosenExtension_data()
    {
        QTest::addColumn<int>("filter"); // 0 TXT, 1 CSV
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addRow("CSV, typed .txt") << 1 << "a.txt" << "a.csv";
        QTest::addRow("CSV, typed .csv") << 1 << "b.csv" << "b.csv";
        QTest::addRow("CSV, no extension") << 1 << "c" << "c.csv";
        QTest::addRow("TXT, typed .csv") << 0 << "d.csv" << "d.txt";
    }
    void pathExportTakesTheChosenExtension()
    {
        QFETCH(int, filter);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        TGeoTrack t;
        t.SetSign(QStringLiteral("ext"));
        Add(t, 57.0, 56.0, T0, QStringLiteral("A"));
        Add(t, 57.0, 56.0, T0 + 0.003, QStringLiteral("B"));
        TTrackPathForm w(fCache.get());
        w.Fill(t);
        QTemporaryDir out;
        QStringList opened;
        ExportFile::SetOpenHook([&](const QString &fn) { opened << fn; });
        const auto unhook = qScopeGuard([] { ExportFile::SetOpenHook({}); });
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *fd = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!fd || !fd->isVisible())
                return;
            poll.stop();
            fd->setDirectory(out.path());
            fd->selectNameFilter(fd->nameFilters().value(filter));
            Q_EMIT fd->filterSelected(fd->nameFilters().value(filter));
            fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(typed); // typed last
            QTest::keyClick(fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")), Qt::Key_Return);
        });
        poll.start();
        QVERIFY(w.ExportPath() > 0);
        const QString fn = QDir(out.path()).filePath(written);
        QCOMPARE(opened, QStringList{fn});
        QFile f(fn);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBF") + w.ExportText(filter + 1).toUtf8());
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{written});
    }
};

QTEST_MAIN(tst_TrackInfoForms)
#include "tst_TrackInfoForms.moc"
