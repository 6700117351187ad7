#include "MonitorMap.h"
#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZtMapControl.h"
#include "PanelTestSupport.h"
#include "TrackInfoForm.h"
#include "TrackListModel.h"
#include "TracksPanel.h"

#include <QAction>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <limits>

namespace {
// A context with a real map layer, which owns the tracks.
class TMapPanelContext : public TTestPanelContext
{
public:
    TMapPanelContext(const QString &Server, const QString &Token, const QString &CacheDir)
        : TTestPanelContext(Server, Token), fMapParent(new QWidget), fMap(fMapParent.get(), 1 << 20, CacheDir)
    {
        fMapParent->resize(800, 600);
    }
    TMonitorMap *Map() const override { return const_cast<TMonitorMap *>(&fMap); }

private:
    std::unique_ptr<QWidget> fMapParent;
    TMonitorMap fMap;
};

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
} // namespace

class tst_TracksPanel : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        QVERIFY(fSim.start());
        Config.SetVal(QStringLiteral("tile_url"), fSim.url() + QStringLiteral("/tiles/{z}/{x}/{y}.png"));
    }

    // Every control that acts on a selection says what is missing.
    void controlsNeedASelection_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("notice");
        for (const char *b : {"SbTrackInfo", "SbExplainTrack", "SbDumpTrack", "SbDeleteTrack"})
            QTest::addRow("button %s", b) << QString::fromLatin1(b) << "track_not_selected";
        for (const char *a : {"PopupExportTrack", "PopupFilterTrack", "PopupDumpTrack"})
            QTest::addRow("menu %s", a) << QString::fromLatin1(a) << "track_not_selected";
        QTest::addRow("object toolbar: last messages") << "SbLastMessages" << "object_not_selected";
        QTest::addRow("object toolbar: request track") << "SbRequestTrack" << "object_not_selected";
    }
    void controlsNeedASelection()
    {
        QFETCH(QString, control);
        QFETCH(QString, notice);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"));
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        if (auto *b = panel.ToolBar->findChild<QToolButton *>(control))
            b->click();
        else if (auto *a = panel.PopupMenu->findChild<QAction *>(control))
            a->trigger();
        else if (control == QLatin1String("SbRequestTrack"))
            panel.SbRequestTrackClick();
        else
            panel.SbLastMessagesClick();
        QCOMPARE(ctx.Notices, QStringList{notice});
    }

    void menuButtonOpensThePopup()
    {
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"));
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        parent.show();
        panel.ToolBar->findChild<QToolButton *>(QStringLiteral("SbTrackMenu"))->click();
        QTRY_VERIFY(panel.PopupMenu->isVisible());
        panel.PopupMenu->close();
        QVERIFY(ctx.Notices.isEmpty());
    }

    // A track for an object the list does not have is refused, never
    // requested for the selected object instead.
    void unknownObjectIsRefused()
    {
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("cache1")));
        QVERIFY(ctx.Client()->GetObjects() > 0);
        ctx.Selected = ctx.Client()->ObjList().front().get();
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        QVERIFY(!panel.RequestObjectTrack(999999, QStringLiteral("x"), 0, Now() - 1, Now()));
        QCOMPARE(ctx.Notices, QStringList{QStringLiteral("object_not_selected")});
        QCOMPARE(panel.Model()->Count(), 0);
        QVERIFY(!ctx.LogText.contains(QStringLiteral("-> ")));
    }

    // Requested with both dates (as from a trip or an event): no dialog,
    // onto the map and into the list; deleting closes its windows and
    // selects the row before.
    void requestedTracksOnMapAndList()
    {
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("cache2")));
        QVERIFY(ctx.Client()->GetObjects() > 0);
        TObjectInfo *obj = ctx.Client()->ObjList().front().get();
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        parent.show();
        QVERIFY2(panel.RequestTrack(obj, QStringLiteral("a"), 0, Now() - 0.25, Now()), qPrintable(ctx.LogText));
        QVERIFY(panel.RequestObjectTrack(obj->uid, QStringLiteral("b"), 0, Now() - 0.5, Now()));
        auto &tracks = ctx.Map()->Control()->GeoTracks();
        QCOMPARE(int(tracks.size()), 2);
        QCOMPARE(panel.Model()->Count(), 2);
        const TGeoTrack &first = *tracks.front();
        QCOMPARE(first.Sign(), obj->name + QStringLiteral("-a"));
        QCOMPARE(first.Style().Sign, QStringLiteral("Gray"));
        QCOMPARE(panel.List->model()->index(0, 0).data().toString(),
                 QStringLiteral("%1 (%2)").arg(first.Sign()).arg(first.Points().size()));
        QCOMPARE(panel.List->currentIndex().row(), 1);
        QVERIFY(ctx.LogText.contains(QStringLiteral("Arrange track: width:")));
        // The map shows the track's middle.
        const QPointF c = ctx.Map()->Center();
        QVERIFY(std::fabs(c.y() - tracks.back()->Info().CenterPoint.Lat) < 0.01);

        panel.SbTrackInfoClick();
        QPointer<QWidget> info = parent.window()->findChild<TTrackInfoForm *>();
        if (!info)
            for (QWidget *w : QApplication::topLevelWidgets())
                if (qobject_cast<TTrackInfoForm *>(w))
                    info = w;
        QVERIFY(info);
        panel.SbDeleteTrackClick(); // the last row
        QTRY_VERIFY(!info);
        QCOMPARE(panel.List->currentIndex().row(), 0);
        QCOMPARE(int(tracks.size()), 1);
        panel.SbDeleteTrackClick();
        QVERIFY(!panel.List->currentIndex().isValid());
        QCOMPARE(int(tracks.size()), 0);
    }
};

QTEST_MAIN(tst_TracksPanel)
#include "tst_TracksPanel.moc"
