#include "CalculatorForm.h"
#include "TrackExportFile.h"
#include "OSM.GeoTrack.h"
#include "TrackChartData.h"
#include "TrackDumpForm.h"
#include "TrackDumpModel.h"
#include "TracksTestSupport.h"
#include "ZtDates.h"

#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const double T0 = EncodeDateTime(2024, 6, 1, 10, 0, 0);

TTrackPointInfo &Add(TGeoTrack &t, int uid, double lat, double lon, double dt)
{
    auto p = std::make_unique<TTrackPointInfo>(uid, 1);
    p->lat = lat;
    p->lon = lon;
    p->sys_dt = p->obj_dt = p->gps_dt = dt;
    t.Points().push_back(std::move(p));
    return *t.Points().back();
}

void AddSensor(TTrackPointInfo &p, const QString &sign, const QString &val)
{
    p.sensors.push_back(std::make_unique<TTrackPointSensorInfo>(int(p.sensors.size() + 1), sign, val));
}

// Selects the rows and focuses a column, as the user does with the mouse.
void Select(TTrackDumpForm &w, const QList<int> &rows, int column)
{
    QItemSelectionModel *sm = w.DumpTable->selectionModel();
    sm->clearSelection();
    for (int r : rows)
        sm->select(w.Model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    sm->setCurrentIndex(w.Model()->index(rows.isEmpty() ? 0 : rows.last(), column), QItemSelectionModel::NoUpdate);
}
} // namespace

class tst_TrackDumpForm : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
    }

    void sorting()
    {
        TGeoTrack t;
        Add(t, 1, 57.3, 56.1, T0);
        Add(t, 2, NaN, NaN, T0 + 0.001);
        Add(t, 3, 57.1, 56.3, T0 + 0.002).bat = 5;
        Add(t, 4, 57.2, 56.2, T0 + 0.003);
        TTrackDumpForm w;
        w.SetTrack(nullptr, &t, false);
        w.show();
        QHeaderView *h = w.DumpTable->horizontalHeader();
        auto uids = [&] {
            QStringList s;
            for (int r = 0; r < 4; ++r)
                s << w.Model()->index(r, 0).data().toString();
            return s.join(u',');
        };
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(4) + 5, 5));
        QCOMPARE(uids(), QStringLiteral("2,3,4,1")); // NaN first
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(4) + 5, 5));
        QCOMPARE(uids(), QStringLiteral("1,4,3,2"));
        h->sectionClicked(10); // the battery is not sorted from the header
        QCOMPARE(uids(), QStringLiteral("1,4,3,2"));
        QCOMPARE(w.Model()->index(2, TTrackDumpModel::cBat).data().toString(), QStringLiteral("5"));
        QCOMPARE(w.Model()->index(3, TTrackDumpModel::cLat).data().toString(), QStringLiteral("NaN"));
    }

    void deltaBar_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("dq"); // Q's time after P's, days
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("value");
        QTest::addRow("one day one hour") << 1 << 1 + 1 / 24.0 << "Duration:" << "1 day 01:00:00";
        QTest::addRow("two days") << 2 << 2.0 << "Duration:" << "2 days 00:00:00";
        QTest::addRow("25 hours does not wrap") << 3 << 25 / 24.0 << "Duration:" << "1 day 01:00:00";
        QTest::addRow("earlier keeps its sign") << 1 << -1 / 24.0 << "Duration:" << "-01:00:00";
        QTest::addRow("distance") << 4 << 0.01 << "Distance:" << "111";
        QTest::addRow("altitude") << 6 << 0.01 << "Altitude:" << "12.50";
        QTest::addRow("avg speed") << 8 << 0.01 << "Average speed:" << "15.00";
        QTest::addRow("battery missing") << 10 << 0.01 << "Difference:" << "";
        QTest::addRow("not a difference column") << 12 << 0.01 << "" << "";
    }
    void deltaBar()
    {
        QFETCH(int, column);
        QFETCH(double, dq);
        QFETCH(QString, label);
        QFETCH(QString, value);
        TGeoTrack t;
        TTrackPointInfo &p = Add(t, 1, 57.0, 56.0, T0);
        TTrackPointInfo &q = Add(t, 2, 57.001, 56.0, T0 + dq);
        p.alt = 100;
        q.alt = 112.5;
        p.speed = 10;
        q.speed = 20;
        p.bat = 80; // q has no reading
        TTrackDumpForm w;
        w.SetTrack(nullptr, &t, false);
        w.show();
        Select(w, {0}, column);
        QCOMPARE(w.LblDeltaValue->text(), QString()); // one row: nothing
        Select(w, {0, 1}, column);
        QCOMPARE(w.LblDelta->text(), label);
        QCOMPARE(w.LblDeltaValue->text(), value);
    }

    void batteryDifference()
    {
        TGeoTrack t;
        Add(t, 1, 57.0, 56.0, T0).bat = 80;
        Add(t, 2, 57.0, 56.0, T0).bat = 70;
        TTrackDumpForm w;
        w.SetTrack(nullptr, &t, false);
        w.show();
        Select(w, {0, 1}, TTrackDumpModel::cBat);
        QCOMPARE(w.LblDeltaValue->text(), QStringLiteral("-10"));
    }

    void copyAndCalculator()
    {
        TGeoTrack t;
        Add(t, 1, 57.0, 56.0, T0);
        Add(t, 2, 57.001, 56.0, T0 + 0.001);
        Add(t, 3, 57.002, 56.0, T0 + 0.002);
        TTrackDumpForm w;
        w.SetTrack(nullptr, &t, false);
        w.show();
        // Nothing selected: the calculator does not even open.
        w.DumpTable->selectionModel()->clearSelection();
        w.ActCalculator->trigger();
        QVERIFY(!w.Calculator());

        Select(w, {1}, TTrackDumpModel::cLat);
        w.ActCopyRows->trigger();
        const QString row = QApplication::clipboard()->text();
        QVERIFY(row.startsWith(QStringLiteral("2;")));
        QVERIFY(!row.contains(u'\n'));
        QCOMPARE(row.count(u';'), TTrackDumpModel::ColumnCount);
        Select(w, {0, 2}, TTrackDumpModel::cLat);
        w.ActCopyRows->trigger();
        QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("uid;sys_time;")));
        QCOMPARE(QApplication::clipboard()->text().count(QStringLiteral("\r\n")), 2);
        w.ActCopyColumns->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("57.000000,56.000000\r\n57.002000,56.000000"));

        w.DumpTable->setFocus();
        Select(w, {0}, 0);
        QTest::keyClick(w.DumpTable, Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(w.Calculator());
        QCOMPARE(w.Calculator()->PointCount(), 1);
        Select(w, {2}, 0);
        w.ActCalculator->trigger();
        Select(w, {1}, 0);
        w.ActCalculator->trigger();
        QCOMPARE(w.Calculator()->PointCount(), 2);
        // The last two: rows 2 and 1, 111 m apart.
        QVERIFY(std::fabs(w.Calculator()->LblDistance->text().toDouble() - 111.4) < 1);
    }

    void exportTrack_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("written");
        QTest::addRow("csv") << 1 << "t.csv" << true;
        QTest::addRow("gpx") << 2 << "t.gpx" << true;
        QTest::addRow("unknown choice") << 3 << "t.xyz" << false;
    }
    void exportTrack()
    {
        QFETCH(int, filter);
        QFETCH(QString, file);
        QFETCH(bool, written);
        TGeoTrack t;
        t.SetSign(QStringLiteral("Car: 1/2"));
        Add(t, 1, 57.0, 56.0, T0);
        QString defaultName;
        QStringList opened;
        TrackExportFile::SetAskHook([&](const QString &, const QString &def, const QStringList &, int &index) {
            defaultName = def;
            index = filter;
            return fDir.filePath(file);
        });
        TrackExportFile::SetOpenHook([&](const QString &fn) { opened << fn; });
        MessageBoxCloser boxes;
        TTrackDumpForm w;
        w.SetTrack(nullptr, &t, false);
        w.show();
        w.ActExport->trigger();
        TrackExportFile::SetAskHook({});
        TrackExportFile::SetOpenHook({});
        QVERIFY(defaultName.endsWith(QStringLiteral("/Car 1 2.csv")));
        QCOMPARE(QFile::exists(fDir.filePath(file)), written);
        QCOMPARE(opened.size(), written ? 1 : 0);
        QCOMPARE(boxes.texts().size(), written ? 0 : 1);
    }

    void chartValues()
    {
        TGeoTrack t;
        t.SetObjId(QStringLiteral("x"));
        AddSensor(Add(t, 1, 57.0, 56.0, T0), QStringLiteral("event"), QStringLiteral("door"));
        AddSensor(Add(t, 2, 57.0, 56.0, T0 + 0.01), QStringLiteral("temp"), QStringLiteral("-12,5"));
        AddSensor(Add(t, 3, 57.0, 56.0, T0 + 0.02), QStringLiteral("temp"), QStringLiteral("4"));
        auto *w = new TTrackDumpForm;
        w->SetTrack(nullptr, &t, false);
        w->show();
        QCOMPARE(w->ValueList->count(), 3);
        QCOMPARE(w->ValueList->item(2)->text(), QStringLiteral("temp"));
        QCOMPARE(w->ValueList->currentRow(), -1);
        w->ActShowChart->trigger();
        QCOMPARE(w->ValueList->currentRow(), 0);
        QCOMPARE(w->Series->count(), 0); // no battery readings
        QCOMPARE(w->AxisY->max(), 100.0);
        w->ChooseValue(2);
        QCOMPARE(w->Series->count(), 2);
        QCOMPARE(w->AxisY->min(), -12.5); // below zero shows
        QCOMPARE(w->AxisY->max(), 4.0);
        w->ChooseValue(1); // no altitudes: a fallback range
        QCOMPARE(w->AxisY->min(), 0.0);
        QCOMPARE(w->AxisY->max(), 1.0);
        w->ChooseValue(2);
        QCOMPARE(w->PointAtChartX(w->Series->at(1).x() + 1), 2);
        w->grab().save(TestPaths::artifactsDir() + QStringLiteral("/track_dump_chart.png"));
        // Freeing an owned track with the window.
        auto *owned = new TGeoTrack;
        Add(*owned, 1, 57.0, 56.0, T0);
        w->SetTrack(nullptr, owned, true);
        QPointer<TTrackDumpForm> guard(w);
        w->close();
        QTRY_VERIFY(!guard);
    }

    // Many values become the lowest and highest of each pixel column, the
    // extremes of the whole series kept.
    void chartReduction()
    {
        TGeoTrack t;
        for (int i = 0; i < 10000; ++i)
            Add(t, i + 1, 57.0, 56.0, T0 + i / 86400.0).alt = std::sin(i / 50.0) * 100 + (i == 7777 ? 500 : 0);
        const auto s = TrackChartData::Build(t, TrackChartData::ValueAltitude, QString(), 100);
        QCOMPARE(s.Count, 10000);
        QVERIFY(s.Points.size() <= 200);
        double mx = -1e9;
        for (size_t i = 0; i < s.Points.size(); ++i) {
            mx = std::max(mx, s.Points[i].y());
            if (i > 0)
                QVERIFY(s.Points[i].x() >= s.Points[i - 1].x());
        }
        QCOMPARE(mx, t.Points()[7777]->alt);
    }
};

QTEST_MAIN(tst_TrackDumpForm)
#include "tst_TrackDumpForm.moc"
