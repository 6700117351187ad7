#include "OSM.ZoneInfo.h"
#include "PanelTestSupport.h"
#include "ZonesPanel.h"
#include "ZoneWorkflow.h"
#include "ZoneEditForm.h"

#include <QPushButton>

#include <QSignalSpy>
#include <QSplitter>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

class tst_ZonesPanel : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        QVERIFY2(fSim.start(), "velmora-sim did not start");
    }

    // The list shows the client's zones; reloading closes the windows that
    // showed the old zone records, and leaves other windows alone.
    void loadListsZonesAndClosesTheirWindows()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QSplitter parent;
        TZonesPanel panel(ctx, &parent, nullptr);
        QSignalSpy loaded(&panel, &TZonesPanel::ZonesLoaded);
        const int n = panel.LoadZones();
        QVERIFY(n > 0);
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(loaded.at(0).at(0).toInt(), n);
        QCOMPARE(panel.Model()->rowCount(), n);
        QCOMPARE(panel.Model()->item(0)->text(), ctx.Client()->ZoneList().front()->name);

        QPointer<QWidget> zoneWin = new QWidget;
        zoneWin->setAttribute(Qt::WA_DeleteOnClose);
        zoneWin->show();
        QWidget other;
        other.show();
        ctx.RecordWindows().Register(zoneWin, TRecordKind::Zone, ctx.Client()->ZoneList().front().get());
        ctx.RecordWindows().Register(&other, TRecordKind::Trap, &other);
        QCOMPARE(panel.LoadZones(), n);
        QTRY_VERIFY(zoneWin.isNull());
        QVERIFY(other.isVisible());
        QCOMPARE(ctx.RecordWindows().Count(), 1);

        panel.Clear();
        QCOMPARE(panel.Model()->rowCount(), 0);
    }

    // The editor's commands pass the window's command handling, logged like
    // the map's.
    void editorCommandsAreLogged_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("logged");
        QTest::addRow("Cancel") << "ButCancel" << "\rCommand: cancel zone ()";
        QTest::addRow("Save") << "ButSave" << "\rCommand: save zone ()";
    }
    void editorCommandsAreLogged()
    {
        QFETCH(QString, button);
        QFETCH(QString, logged);
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QSplitter parent;
        TZonesPanel panel(ctx, &parent, nullptr);
        parent.show();
        QVERIFY(panel.LoadZones() > 0);
        panel.List->setCurrentIndex(panel.Model()->index(0, 0));
        panel.ToolBar->findChild<QToolButton *>(QStringLiteral("SbEditZone"))->click();
        QPointer<TZoneEditForm> ed = panel.Workflow()->Editor();
        QVERIFY2(ed, qPrintable(ctx.Notices.join(u',')));
        QVERIFY(!ctx.LogText.contains(logged));
        QTest::mouseClick(ed->findChild<QPushButton *>(button), Qt::LeftButton);
        QTRY_VERIFY(!ed);
        QVERIFY2(ctx.LogText.contains(logged), qPrintable(ctx.LogText.right(300)));
    }

    void everyControlAnswers_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *b : {"SbZoneInfo", "SbAppendZone", "SbEditZone", "SbZoneHistory", "SbDeleteZone"})
            QTest::addRow("%s", b) << QString::fromLatin1(b);
        QTest::addRow("double click in the list") << "ZoneList";
    }
    void everyControlAnswers()
    {
        QFETCH(QString, control);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"));
        QSplitter parent;
        TZonesPanel panel(ctx, &parent, nullptr);
        if (auto *b = panel.ToolBar->findChild<QToolButton *>(control))
            b->click();
        else
            Q_EMIT panel.List->doubleClicked(QModelIndex());
        // Signed out: every zone action says so, and nothing opens.
        QCOMPARE(ctx.Notices, QStringList{QStringLiteral("not_logged_in")});
        QVERIFY(!panel.Workflow()->Editor());
    }

    void cleanupTestCase() { fSim.stop(); }
};

QTEST_MAIN(tst_ZonesPanel)
#include "tst_ZonesPanel.moc"
