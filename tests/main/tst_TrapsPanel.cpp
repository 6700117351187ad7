#include "OSM.TrapInfo.h"
#include "PanelTestSupport.h"
#include "TrapsPanel.h"

#include <QSignalSpy>
#include <QSplitter>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

class tst_TrapsPanel : public QObject
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

    // The list shows the client's traps; reloading closes the windows that
    // showed the old trap records, and leaves other windows alone.
    void loadListsTrapsAndClosesTheirWindows()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QSplitter parent;
        TTrapsPanel panel(ctx, &parent, nullptr);
        QSignalSpy loaded(&panel, &TTrapsPanel::TrapsLoaded);
        const int n = panel.LoadTraps(0);
        QVERIFY(n > 0);
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(loaded.at(0).at(0).toInt(), n);
        QCOMPARE(panel.Model()->rowCount(), n);
        QCOMPARE(panel.Model()->item(0)->data(Qt::UserRole).toInt(), ctx.Client()->TrapList().front()->uid);
        // The trap asked for is selected.
        const int last = ctx.Client()->TrapList().back()->uid;
        QCOMPARE(panel.LoadTraps(last), n);
        QCOMPARE(panel.List->currentIndex().data(Qt::UserRole).toInt(), last);

        QPointer<QWidget> trapWin = new QWidget;
        trapWin->setAttribute(Qt::WA_DeleteOnClose);
        trapWin->show();
        QWidget other;
        other.show();
        ctx.RecordWindows().Register(trapWin, TRecordKind::Trap, ctx.Client()->TrapList().front().get());
        ctx.RecordWindows().Register(&other, TRecordKind::Zone, &other);
        QCOMPARE(panel.LoadTraps(0), n);
        QTRY_VERIFY(trapWin.isNull());
        QVERIFY(other.isVisible());
        QCOMPARE(ctx.RecordWindows().Count(), 1);

        panel.Clear();
        QCOMPARE(panel.Model()->rowCount(), 0);
    }

    void everyControlAnswers_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *b : {"SbTrapInfo", "SbAppendTrap", "SbEditTrap", "SbDeleteTrap"})
            QTest::addRow("%s", b) << QString::fromLatin1(b);
        QTest::addRow("double click in the list") << "TrapList";
    }
    void everyControlAnswers()
    {
        QFETCH(QString, control);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"));
        QSplitter parent;
        TTrapsPanel panel(ctx, &parent, nullptr);
        if (auto *b = panel.ToolBar->findChild<QToolButton *>(control))
            b->click();
        else
            Q_EMIT panel.List->doubleClicked(QModelIndex());
        QCOMPARE(ctx.Notices, QStringList{QStringLiteral("not_implemented")});
    }

    void cleanupTestCase() { fSim.stop(); }
};

QTEST_MAIN(tst_TrapsPanel)
#include "tst_TrapsPanel.moc"
