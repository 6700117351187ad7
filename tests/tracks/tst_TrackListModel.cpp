#include "OSM.GeoTrack.h"
#include "TrackListModel.h"

#include <QColor>
#include <QListView>
#include <QSignalSpy>
#include <QtTest>

class tst_TrackListModel : public QObject
{
    Q_OBJECT

    std::vector<std::unique_ptr<TGeoTrack>> fTracks;

    TGeoTrack *make(const QString &sign, int points, int style)
    {
        auto t = std::make_unique<TGeoTrack>();
        t->SetSign(sign);
        t->SetStyle(GeoTrackStyle(style));
        for (int i = 0; i < points; ++i)
            t->Points().push_back(std::make_unique<TTrackPointInfo>(i + 1, 1));
        fTracks.push_back(std::move(t));
        return fTracks.back().get();
    }

private Q_SLOTS:
    void rowsShowColourLabelAndCount()
    {
        TTrackListModel m;
        m.AddTrack(make(QStringLiteral("Car-today"), 120, 1));
        m.AddTrack(make(QStringLiteral("Phone-yesterday"), 3, 3));
        QListView view;
        view.setModel(&m);
        view.show();
        QCOMPARE(m.index(0).data().toString(), QStringLiteral("Car-today (120)"));
        QCOMPARE(m.index(1).data(Qt::DecorationRole).value<QColor>(), QColor(128, 0, 128));
        QCOMPARE(m.index(0).data(Qt::DecorationRole).value<QColor>(), QColor(0, 0, 255));
        QCOMPARE(m.index(0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    }

    void untickingHidesWithoutRemoving()
    {
        TTrackListModel m;
        TGeoTrack *t = make(QStringLiteral("a"), 1, 0);
        m.AddTrack(t);
        QSignalSpy spy(&m, &TTrackListModel::VisibilityChanged);
        QVERIFY(m.setData(m.index(0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!t->Visible());
        QCOMPARE(m.Count(), 1);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(1).toBool(), false);
        QVERIFY(m.setData(m.index(0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(t->Visible());
    }

    void removeSelectsNeighbour_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("selected");
        QTest::addRow("middle: the next takes its place") << 3 << 1 << 1;
        QTest::addRow("last: the previous") << 3 << 2 << 1;
        QTest::addRow("only: none") << 1 << 0 << -1;
        QTest::addRow("no such row") << 2 << 5 << -1;
    }
    void removeSelectsNeighbour()
    {
        QFETCH(int, rows);
        QFETCH(int, removed);
        QFETCH(int, selected);
        TTrackListModel m;
        for (int i = 0; i < rows; ++i)
            m.AddTrack(make(QString::number(i), 1, 0));
        QCOMPARE(m.RemoveRow(removed), selected);
        QCOMPARE(m.Count(), removed < rows ? rows - 1 : rows);
    }
};

QTEST_MAIN(tst_TrackListModel)
#include "tst_TrackListModel.moc"
