#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
#include "OSM.TripInfo.h"
#include "OSM.ZoneInfo.h"
#include "OSM.TrapInfo.h"
#include "PanelTestSupport.h"
#include "TrapEditForm.h"
#include "TrapTreeModel.h"
#include "TrapsPanel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

class tst_TrapsPanel : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;

    static int indexOfId(QComboBox *c, int id)
    {
        for (int i = 0; i < c->count(); ++i)
            if (TTrapEditForm::EntryId(c->itemText(i)) == id)
                return i;
        return -1;
    }

    // Answers the trap editor: a battery trap below Val, then OK.
    static bool fillBatteryTrap(QWidget *w, const QString &Val)
    {
        auto *f = qobject_cast<TTrapEditForm *>(w);
        if (!f)
            return false;
        f->CbTargetType->setCurrentIndex(indexOfId(f->CbTargetType, 4));
        f->CbCondition->setCurrentIndex(indexOfId(f->CbCondition, 2));
        f->EdVal->setText(Val);
        f->ButOk->click();
        return true;
    }

    static QModelIndex rowOfObject(const TTrapTreeModel &m, int uid)
    {
        for (int r = 0; r < m.rowCount(); ++r)
            if (m.Object(m.index(r, 0))->uid == uid)
                return m.index(r, 0);
        return QModelIndex();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        QVERIFY2(fSim.start(), "velmora-sim did not start");
    }

    // The tree shows the client's traps under their objects; reloading
    // closes the windows that showed the old trap records, and leaves other
    // windows alone.
    void loadListsTrapsAndClosesTheirWindows()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 0);
        QSplitter parent;
        TTrapsPanel panel(ctx, &parent, nullptr);
        QSignalSpy loaded(&panel, &TTrapsPanel::TrapsLoaded);
        const int n = panel.LoadTraps(0);
        QVERIFY(n > 0);
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(loaded.at(0).at(0).toInt(), n);
        int rows = 0;
        for (int r = 0; r < panel.Model()->rowCount(); ++r)
            rows += panel.Model()->rowCount(panel.Model()->index(r, 0));
        QCOMPARE(rows, n);
        // The trap asked for is selected.
        const int last = ctx.Client()->TrapList().back()->uid;
        QCOMPARE(panel.LoadTraps(last), n);
        QCOMPARE(panel.SelectedTrap()->uid, last);

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

    // "GENERAL" first, then the objects as the object list orders them; the
    // selected trap stays selected across a reload.
    void orderAndSelectionAcrossReload()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 1);
        // A trap for a second object, so that two object rows are listed.
        TTrapInfo t(0, ctx.Client()->ObjList().back()->uid);
        t.target_type_id = 5;
        t.condition_id = 1;
        t.val = QStringLiteral("120");
        const int uid = ctx.Client()->CreateTrap(t);
        QVERIFY(uid > 0);
        QSplitter parent;
        TTrapsPanel panel(ctx, &parent, nullptr);
        parent.show();
        panel.LoadTraps(0);
        TTrapTreeModel &m = *panel.Model();
        QVERIFY(m.rowCount() >= 3);
        QCOMPARE(m.index(0, 0).data().toString(), QStringLiteral("GENERAL"));
        for (int r = 2; r < m.rowCount(); ++r)
            QVERIFY(m.Object(m.index(r - 1, 0))->name < m.Object(m.index(r, 0))->name);
        panel.List->setCurrentIndex(m.IndexOfTrap(uid));
        panel.LoadTraps(0);
        QVERIFY(panel.SelectedTrap());
        QCOMPARE(panel.SelectedTrap()->uid, uid);
        QVERIFY(panel.List->isExpanded(panel.List->currentIndex().parent()));
        QVERIFY(ctx.Client()->DeleteTrap(uid));
    }

    // Appending with "GENERAL" selected makes a trap of all objects; it is
    // selected, edited and deleted again, the selection going to its group.
    void appendEditDelete()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 0);
        QSplitter parent;
        TTrapsPanel panel(ctx, &parent, nullptr);
        const int before = panel.LoadTraps(0);
        panel.List->setCurrentIndex(rowOfObject(*panel.Model(), 0));
        {
            ModalWatcher answer([](QWidget *w) { return fillBatteryTrap(w, QStringLiteral("7")); });
            panel.AppendTrap();
        }
        TTrapInfo *made = panel.SelectedTrap();
        QVERIFY(made);
        QCOMPARE(made->obj_id, 0);
        QCOMPARE(made->val, QStringLiteral("7"));
        QCOMPARE(int(ctx.Client()->TrapList().size()), before + 1);
        const int uid = made->uid;

        {
            ModalWatcher answer([](QWidget *w) {
                auto *f = qobject_cast<TTrapEditForm *>(w);
                if (!f)
                    return false;
                f->EdVal->setText(QStringLiteral("9"));
                f->ButOk->click();
                return true;
            });
            panel.EditTrap();
        }
        QVERIFY(ctx.LogText.contains(QStringLiteral("\r  val->9")));
        QVERIFY(ctx.Client()->GetTraps() > 0); // read back from the service
        QCOMPARE(ctx.Client()->FindTrap(uid)->val, QStringLiteral("9"));
        panel.LoadTraps(uid);

        ctx.BoxAnswer = 7; // "No"
        panel.DeleteTrap();
        QVERIFY(ctx.Client()->FindTrap(uid));
        ctx.BoxAnswer = 6; // "Yes"
        panel.DeleteTrap();
        QVERIFY(!ctx.Client()->FindTrap(uid));
        QVERIFY(!panel.Model()->IndexOfTrap(uid).isValid());
        QVERIFY(panel.List->currentIndex().isValid());
    }

    void everyControlAnswers_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<bool>("editor");
        QTest::addRow("SbTrapInfo without a trap") << "SbTrapInfo" << "trap_not_selected" << false;
        QTest::addRow("SbDeleteTrap without a trap") << "SbDeleteTrap" << "trap_not_selected" << false;
        // An empty tree is loaded first; still empty, editing stops quietly.
        QTest::addRow("SbEditTrap with no traps") << "SbEditTrap" << "" << false;
        QTest::addRow("double click with no traps") << "TrapList" << "" << false;
        QTest::addRow("SbAppendTrap opens the editor") << "SbAppendTrap" << "" << true;
    }
    void everyControlAnswers()
    {
        QFETCH(QString, control);
        QFETCH(QString, notice);
        QFETCH(bool, editor);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"), QStringLiteral("t"));
        QSplitter parent;
        TTrapsPanel panel(ctx, &parent, nullptr);
        bool editorShown = false;
        ModalWatcher cancel([&](QWidget *w) {
            editorShown = qobject_cast<TTrapEditForm *>(w) != nullptr;
            w->close();
            return true;
        });
        if (auto *b = panel.ToolBar->findChild<QToolButton *>(control))
            b->click();
        else
            Q_EMIT panel.List->doubleClicked(QModelIndex());
        QCOMPARE(ctx.Notices, notice.isEmpty() ? QStringList() : QStringList{notice});
        QCOMPARE(editorShown, editor);
        if (editor)
            QVERIFY(ctx.LogText.endsWith(QStringLiteral("\r  cancel")));
    }

    void cleanupTestCase() { fSim.stop(); }
};

QTEST_MAIN(tst_TrapsPanel)
#include "tst_TrapsPanel.moc"
