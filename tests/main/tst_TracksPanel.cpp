#include "MonitorMap.h"
#include "AccountClock.h"
#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrackGlyphs.h"
#include "OSM.ZtMapControl.h"
#include "PanelTestSupport.h"
#include "TestPaths.h"
#include "TrackDumpForm.h"
#include "ExportFile.h"
#include "TrackInfoForm.h"
#include "TrackListModel.h"
#include "TrackPathForm.h"
#include "TrackRequestForm.h"
#include "TracksPanel.h"
#include "filter_track_form.h"
#include "ZtFormPos.h"
#include "track_parser.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QTabWidget>
#include <QTimeZone>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <ctime>
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

// Pixels of a colour in a picture of the map.
int CountColour(const QImage &Img, TColor Colour)
{
    const QRgb want = ColorOfTColor(Colour).rgb();
    int n = 0;
    for (int y = 0; y < Img.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(Img.constScanLine(y));
        for (int x = 0; x < Img.width(); ++x)
            n += (line[x] | 0xFF000000u) == want;
    }
    return n;
}

QImage MapPicture(TPanelContext &Ctx)
{
    return Ctx.Map()->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A phone of the demo: it reports steps and heart rate.
TObjectInfo *Phone(TVelmoraClient &Client)
{
    for (const auto &o : Client.ObjList())
        for (const auto &sensor : o->sensors)
            if (sensor->sign == QLatin1String("stepCounter"))
                return o.get();
    return nullptr;
}

// Clicks a button once the dialog's own event loop runs.
void ClickLater(QAbstractButton *B) { QMetaObject::invokeMethod(B, &QAbstractButton::click, Qt::QueuedConnection); }

// The row values of the statistics window, by key.
QString InfoValue(const TTrackInfoForm &W, const QString &Key) { return W.Value(Key); }

TTrackInfoForm *OpenInfo(TTracksPanel &Panel, QWidget *Parent)
{
    Panel.SbTrackInfoClick();
    const auto forms = Parent->findChildren<TTrackInfoForm *>();
    return forms.isEmpty() ? nullptr : forms.back();
}
} // namespace

class tst_TracksPanel : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;
    SimProcess fZoneSim; // its account's zone is changed

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
        QVERIFY(!panel.RequestObjectTrack(999999, QStringLiteral("x"), 0, AccountNow() - 1, AccountNow()));
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
        QVERIFY2(panel.RequestTrack(obj, QStringLiteral("a"), 0, AccountNow() - 0.25, AccountNow()), qPrintable(ctx.LogText));
        QVERIFY(panel.RequestObjectTrack(obj->uid, QStringLiteral("b"), 0, AccountNow() - 0.5, AccountNow()));
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

    // "Request track": the dialog asks, the track shows on the map and in
    // the list, and the statistics window shows its values, messages
    // without a fix, steps and heart rate included.
    void requestThroughTheDialog()
    {
        ResetSettings(fDir.filePath(QStringLiteral("request.ini")), fSim.url());
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("cache3")));
        QVERIFY(ctx.Client()->GetObjects() > 0);
        ctx.Selected = Phone(*ctx.Client());
        QVERIFY(ctx.Selected);
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        parent.show();
        ctx.Map()->Widget()->resize(800, 600);
        const TGeoTrackStyle &green = GeoTrackStyle(2);
        QCOMPARE(green.Sign, QStringLiteral("Green"));
        QCOMPARE(CountColour(MapPicture(ctx), green.LineColor), 0);

        const TDateTime now = ctx.AccountNow();
        bool asked = false;
        ModalWatcher answer([&](QWidget *w) {
            auto *f = qobject_cast<TTrackRequestForm *>(w);
            if (!f)
                return false;
            asked = f->ObjName->text() == ctx.Selected->name;
            f->SetDt1(now - 3.0 / 24);
            f->SetDt2(now);
            f->TrackStyleList->setCurrentIndex(2);
            f->RequestSensorsCheckBox->setChecked(true);
            ClickLater(f->ButOk);
            return true;
        });
        panel.SbRequestTrackClick();
        QVERIFY(asked);
        QVERIFY2(ctx.Notices.isEmpty(), qPrintable(ctx.Notices.join(u',')));

        // In the list, selected, and on the map in its style.
        QCOMPARE(panel.Model()->Count(), 1);
        const TGeoTrack *t = panel.SelectedTrack();
        QVERIFY(t);
        QVERIFY(t->Sign().startsWith(ctx.Selected->name + u'-'));
        QCOMPARE(t->Style().Sign, QStringLiteral("Green"));
        QCOMPARE(panel.List->currentIndex().data().toString(), QStringLiteral("%1 (%2)").arg(t->Sign()).arg(t->Points().size()));
        QVERIFY(CountColour(MapPicture(ctx), green.LineColor) > 100);

        // The statistics window: what the service sent, counted.
        int noFix = 0;
        for (const auto &p : t->Points())
            noFix += !p->HasLatLon();
        QVERIFY(noFix > 0); // the demo's devices lose their fix now and then
        TTrackInfoForm *info = OpenInfo(panel, ctx.DialogParent());
        QVERIFY(info);
        QCOMPARE(InfoValue(*info, QStringLiteral("points")), QString::number(t->Points().size()));
        QCOMPARE(InfoValue(*info, QStringLiteral("gps_points")), QString::number(int(t->Points().size()) - noFix));
        QCOMPARE(InfoValue(*info, QStringLiteral("distance")), QString::number(t->Info().Distance / 1000, 'f', 3));
        QVERIFY(t->Info().Distance > 100);
        QVERIFY(InfoValue(*info, QStringLiteral("step_count")).toInt() > 0);
        const QStringList heart = InfoValue(*info, QStringLiteral("heart_rate")).split(u'/');
        QCOMPARE(heart.size(), 3);
        const int lo = heart[0].toInt(), hi = heart[1].toInt(), avg = heart[2].toInt();
        QVERIFY2(60 <= lo && lo <= avg && avg <= hi && hi < 130, qPrintable(heart.join(u'/')));
        const int d = t->Info().GpsDuration;
        QVERIFY(d > 2 * 3600 && d <= 3 * 3600);
        delete info;
    }

    // The filter dialog refuses values a filter cannot take and stays; the
    // filtered track carries statistics of its own points.
    void filterThroughTheDialog_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("accepted");
        QTest::addColumn<QString>("suffix");
        QTest::addRow("median window over 16") << 0 << "EdSize" << "17" << "too large" << "16" << "-median";
        QTest::addRow("median window under 3") << 0 << "EdSize" << "2" << "too small" << "5" << "-median";
        QTest::addRow("Kalman error 0") << 1 << "EdMeasureError" << "0" << "Error too small" << "0.001" << "-kalman";
    }
    void filterThroughTheDialog()
    {
        QFETCH(int, tab);
        QFETCH(QString, field);
        QFETCH(QString, refused);
        QFETCH(QString, warning);
        QFETCH(QString, accepted);
        QFETCH(QString, suffix);
        ResetSettings(fDir.filePath(QStringLiteral("filter.ini")), fSim.url());
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("cache4")));
        QVERIFY(ctx.Client()->GetObjects() > 0);
        TObjectInfo *obj = ctx.Client()->ObjList().front().get();
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        const TDateTime now = ctx.AccountNow();
        QVERIFY(panel.RequestTrack(obj, QStringLiteral("src"), 1, now - 0.25, now));
        const TGeoTrack *src = panel.SelectedTrack();

        int step = 0;
        QStringList warnings;
        ModalWatcher answer([&](QWidget *w) {
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                warnings << box->text();
                QMetaObject::invokeMethod(box, [box] { box->done(QMessageBox::Ok); }, Qt::QueuedConnection);
                return false;
            }
            auto *f = qobject_cast<TFilterForm *>(w);
            if (!f)
                return false;
            f->PageControl->setCurrentIndex(tab);
            auto *edit = f->findChild<QLineEdit *>(field);
            edit->setText(step == 0 ? refused : accepted);
            ClickLater(f->ButOk);
            return ++step == 2;
        });
        panel.PopupFilterTrackClick();
        QCOMPARE(step, 2);
        QCOMPARE(warnings.size(), 1); // the first OK was refused, the dialog stayed
        QVERIFY2(warnings.front().contains(warning), qPrintable(warnings.front()));

        QCOMPARE(panel.Model()->Count(), 2);
        const TGeoTrack *f = panel.SelectedTrack();
        QVERIFY(f && f != src);
        QVERIFY2(f->Sign().startsWith(src->Sign() + suffix), qPrintable(f->Sign()));
        // Its statistics are those of its own points, not the source's.
        TGeoTrack again;
        for (const auto &p : f->Points())
            again.Points().push_back(std::make_unique<TTrackPointInfo>(*p));
        again.UpdateInfo();
        QCOMPARE(f->Info().Distance, again.Info().Distance);
        QCOMPARE(f->Info().GoodPointsCount, again.Info().GoodPointsCount);
        QVERIFY(f->Info().Distance != src->Info().Distance);
        TTrackInfoForm *info = OpenInfo(panel, ctx.DialogParent());
        QVERIFY(info);
        QCOMPARE(InfoValue(*info, QStringLiteral("distance")), QString::number(f->Info().Distance / 1000, 'f', 3));
        delete info;
    }

    // Import from a chosen file: OK takes the track "Make track" made, or
    // makes it from the table; it lands on the map and in the list.
    void importThroughThePanel_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("make");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("points"); // 0: no track
        QTest::addColumn<QString>("notice");
        QTest::addRow("delimited, a bad row skipped") << "walk.csv" << true << true << 4 << "";
        QTest::addRow("GPX 1.1 by gpsbabel") << "gpsbabel_1_1.gpx" << true << true << 3 << "";
        QTest::addRow("GPX 1.0 by gpsbabel") << "gpsbabel_1_0.gpx" << true << true << 3 << "";
        QTest::addRow("OK without Make track makes it") << "walk.csv" << false << true << 4 << "";
        QTest::addRow("OK without Make track, no good row") << "no_good_rows.csv" << false << true << 0 << "import_failed";
        QTest::addRow("Make track failed: no good row") << "no_good_rows.csv" << true << true << 0 << "import_failed";
        QTest::addRow("malformed GPX") << "malformed.gpx" << true << true << 0 << "import_failed";
        QTest::addRow("Cancel after Make track") << "walk.csv" << true << false << 0 << "";
    }
    void importThroughThePanel()
    {
        QFETCH(QString, file);
        QFETCH(bool, make);
        QFETCH(bool, ok);
        QFETCH(int, points);
        QFETCH(QString, notice);
        ResetSettings(fDir.filePath(QStringLiteral("import.ini")), fSim.url());
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("cache5")));
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        const QString path = TestPaths::dataDir() + QStringLiteral("/tracks/") + file;
        QVERIFY(QFile::exists(path));
        QString chosen;
        QStringList boxes;
        ModalWatcher answer([&](QWidget *w) {
            if (auto *box = qobject_cast<QMessageBox *>(w)) { // none expected: fail, never hang
                boxes << box->text();
                QMetaObject::invokeMethod(box, [box] { box->done(QMessageBox::Ok); }, Qt::QueuedConnection);
                return false;
            }
            if (auto *fd = qobject_cast<QFileDialog *>(w)) {
                // The type of the file, as a user would choose it.
                for (const QString &type : fd->nameFilters())
                    if (type.contains(QStringLiteral("*.") + QFileInfo(file).suffix()))
                        fd->selectNameFilter(type);
                fd->setDirectory(QFileInfo(path).absolutePath());
                fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(file); // typed
                QMetaObject::invokeMethod(fd, &QDialog::accept, Qt::QueuedConnection);
                return false;
            }
            auto *p = qobject_cast<TTrackParser *>(w);
            if (!p)
                return false;
            chosen = p->FileName();
            if (make)
                ClickLater(p->SbMakeTrack);
            ClickLater(ok ? p->ButOk : p->ButCancel);
            return true;
        });
        panel.PopupImportTrackClick();
        QCOMPARE(boxes, QStringList());
        QCOMPARE(QFileInfo(chosen).fileName(), file);
        QCOMPARE(ctx.Notices, notice.isEmpty() ? QStringList() : QStringList{notice});
        auto &tracks = ctx.Map()->Control()->GeoTracks();
        QCOMPARE(panel.Model()->Count(), points > 0 ? 1 : 0);
        QCOMPARE(int(tracks.size()), points > 0 ? 1 : 0);
        if (points == 0)
            return;
        const TGeoTrack &t = *tracks.front();
        QCOMPARE(panel.SelectedTrack(), &t);
        QCOMPARE(int(t.Points().size()), points);
        QCOMPARE(t.Sign(), file); // the label defaults to the file's name
        QVERIFY(t.Info().Distance > 0);
        QVERIFY(ctx.LogText.contains(QStringLiteral("Arrange track: width:")));
        // Centred on what was imported.
        QVERIFY(std::fabs(ctx.Map()->Center().y() - t.Info().CenterPoint.Lat) < 0.01);
    }

    // The quick dump asks for the last hour of the account's clock, whatever
    // the computer's zone.
    void quickDumpUsesTheAccountsNow_data()
    {
        QTest::addColumn<QByteArray>("computerZone");
        QTest::addColumn<int>("accountTz"); // seconds east of UTC
        QTest::addRow("computer UTC, account UTC+5") << QByteArray("UTC") << 5 * 3600;
        QTest::addRow("computer UTC+14, account UTC-10") << QByteArray("Etc/GMT-14") << -10 * 3600;
        QTest::addRow("computer UTC-11, account UTC+9") << QByteArray("Etc/GMT+11") << 9 * 3600;
        QTest::addRow("computer and account UTC+5") << QByteArray("Etc/GMT-5") << 5 * 3600;
    }
    void quickDumpUsesTheAccountsNow()
    {
        QFETCH(QByteArray, computerZone);
        QFETCH(int, accountTz);
        if (!fZoneSim.url().startsWith(QLatin1String("http")))
            QVERIFY(fZoneSim.start());
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
        ResetSettings(fDir.filePath(QStringLiteral("dump.ini")), fZoneSim.url());
        TTestPanelContext ctx(fZoneSim.url(), fZoneSim.demoToken());
        QVERIFY(ctx.Client()->UpdateUser({{QStringLiteral("tz"), QString::number(accountTz)}}));
        QVERIFY(ctx.Client()->GetObjects() > 0);
        ctx.Selected = ctx.Client()->ObjList().front().get();
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        panel.SbLastMessagesClick();
        const TDateTime accountNow =
            UnixDateDelta + double(QDateTime::currentMSecsSinceEpoch() + qint64(accountTz) * 1000) / 86400000.0;
        QVERIFY2(ctx.Notices.isEmpty(), qPrintable(ctx.Notices.join(u',') + ctx.LogText));
        auto *dump = ctx.DialogParent()->findChild<TTrackDumpForm *>();
        QVERIFY(dump);
        const auto cleanup = qScopeGuard([dump] { delete dump; });
        QVERIFY(dump->isVisible());
        const TGeoTrack *t = dump->Track();
        QVERIFY(t && !t->Points().empty());
        QCOMPARE(t->Sign(), ctx.Selected->name + QStringLiteral(" 1 hour"));
        // The hour up to the account's present, by the service's clock.
        const double minute = 1.0 / 1440;
        double newest = 0;
        for (const auto &p : t->Points()) {
            QVERIFY2(p->sys_dt > accountNow - 61 * minute && p->sys_dt < accountNow + minute,
                     qPrintable(FormatDateTimeDef(QStringLiteral("dd.mm.yyyy hh:nn:ss"), p->sys_dt)));
            newest = std::max(newest, p->sys_dt);
        }
        QVERIFY(accountNow - newest < 2 * minute);
        QVERIFY(ctx.LogText.contains(QStringLiteral("for 1 hour(s) [")));
    }

    // "Track info" and the path window open at the cursor and are pushed
    // inside the screen's work area when the cursor sits near its edge.
    void trackWindowsStayOnTheScreen_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("nearEdge");
        for (const char *w : {"info", "path"}) {
            QTest::addRow("%s, cursor far from the edge", w) << QString::fromLatin1(w) << false;
            QTest::addRow("%s, cursor at the bottom-right corner", w) << QString::fromLatin1(w) << true;
        }
    }
    void trackWindowsStayOnTheScreen()
    {
        QFETCH(QString, window);
        QFETCH(bool, nearEdge);
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("cache-place")));
        QVERIFY(ctx.Client()->GetObjects() > 0);
        TObjectInfo *obj = ctx.Client()->ObjList().front().get();
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        QVERIFY(panel.RequestTrack(obj, QStringLiteral("p"), 0, Now() - 0.25, Now()));
        const QRect wa = WorkAreaAt(QPoint(0, 0));
        const QPoint cursor = nearEdge ? wa.bottomRight() - QPoint(3, 3) : wa.topLeft() + QPoint(20, 30);
        QCursor::setPos(cursor);
        QRect placed;
        if (window == u"info") {
            TTrackInfoForm *info = OpenInfo(panel, ctx.DialogParent());
            QVERIFY(info);
            placed = info->frameGeometry();
            delete info;
        } else {
            ModalWatcher watch([&](QWidget *w) {
                if (!qobject_cast<TTrackPathForm *>(w))
                    return false;
                placed = w->frameGeometry();
                QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
                return true;
            });
            panel.SbExplainTrackClick();
            QVERIFY(watch.done());
        }
        QVERIFY(placed.isValid());
        QVERIFY2(wa.contains(placed), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(placed.x()).arg(placed.y())
                                                      .arg(placed.width()).arg(placed.height())));
        if (!nearEdge)
            QCOMPARE(placed.topLeft(), cursor);
    }

    // The quick dump shows the account's positions: signing out (every
    // record freed) closes it like the other track windows.
    void quickDumpClosesAtSignOut()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 0);
        ctx.Selected = ctx.Client()->ObjList().front().get();
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        panel.SbLastMessagesClick();
        QPointer<TTrackDumpForm> dump = ctx.DialogParent()->findChild<TTrackDumpForm *>();
        QVERIFY2(dump, qPrintable(ctx.Notices.join(u',') + ctx.LogText));
        QVERIFY(dump->isVisible());
        QCOMPARE(ctx.RecordWindows().Count(), 1);
        ctx.RecordWindows().AllFreed();
        QTRY_VERIFY(!dump);
    }

    // Export of the selected track: the offered name is the label made safe
    // for a file system, the chosen type's extension is set inside the
    // dialog, and the written file is the chosen type.
    void exportThroughThePanel_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("begins");
        // Both written as UTF-8 with a byte-order mark.
        QTest::addRow("CSV") << 0 << "csv" << QByteArray("\xEF\xBB\xBFuid;sys_time;obj_time;");
        QTest::addRow("GPX") << 1 << "gpx" << QByteArray("\xEF\xBB\xBF<?xml");
    }
    void exportThroughThePanel()
    {
        QFETCH(int, filter);
        QFETCH(QString, extension);
        QFETCH(QByteArray, begins);
        ResetSettings(fDir.filePath(QStringLiteral("export.ini")), fSim.url());
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("cache6")));
        QVERIFY(ctx.Client()->GetObjects() > 0);
        TObjectInfo *obj = ctx.Client()->ObjList().front().get();
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        const TDateTime now = ctx.AccountNow();
        QVERIFY(panel.RequestTrack(obj, QStringLiteral("10:00/11:00 *"), 0, now - 0.1, now));
        const TGeoTrack *t = panel.SelectedTrack();
        QVERIFY(t);
        QTemporaryDir out;
        QStringList opened;
        ExportFile::SetOpenHook([&](const QString &fn) { opened << fn; });
        const auto unhook = qScopeGuard([] { ExportFile::SetOpenHook({}); });
        QString offered, renamed;
        ModalWatcher answer([&](QWidget *w) {
            auto *fd = qobject_cast<QFileDialog *>(w);
            if (!fd)
                return false;
            auto *edit = fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            offered = edit->text();
            fd->selectNameFilter(fd->nameFilters().value(filter));
            Q_EMIT fd->filterSelected(fd->nameFilters().value(filter)); // what choosing the type does
            renamed = edit->text();
            fd->selectFile(QDir(out.path()).filePath(renamed));
            QMetaObject::invokeMethod(fd, &QDialog::accept, Qt::QueuedConnection);
            return true;
        });
        panel.PopupExportTrackClick();
        QVERIFY(!obj->name.contains(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|]"))));
        const QString safe = obj->name + QStringLiteral("-10 00 11 00");
        QCOMPARE(offered, safe + QStringLiteral(".csv"));
        QCOMPARE(renamed, safe + u'.' + extension);
        const QString written = QDir(out.path()).filePath(renamed);
        QCOMPARE(opened, QStringList{written});
        QFile f(written);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray body = f.readAll();
        QVERIFY2(body.startsWith(begins), body.left(40).toHex().constData());
        QVERIFY(ctx.Notices.isEmpty());
        if (extension == QLatin1String("gpx"))
            QCOMPARE(int(body.count("<trkpt")), t->Info().GoodPointsCount);
    }
};

QTEST_MAIN(tst_TracksPanel)
#include "tst_TracksPanel.moc"
