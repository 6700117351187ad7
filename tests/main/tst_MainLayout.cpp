// The main window's first view on a 1600 x 1000 screen (the offscreen
// platform given that screen): whole object rows and every object tool
// button without touching a splitter, side panels that grow with the window,
// and the "»" button of a toolbar too narrow for its buttons.

#include "MainTestSupport.h"

#include "OSM.ObjectInfo.h"
#include "ObjListModel.h"
#include "main.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QSplitter>
#include <QStyle>
#include <QTemporaryFile>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

class tst_MainLayout : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;

    std::unique_ptr<TMonitorMainWin> signedInWindow()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = std::make_unique<TMonitorMainWin>();
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return nullptr;
        if (!QTest::qWaitFor([&] { return w->ObjModel()->rowCount() > 0; }, 10000))
            return nullptr;
        return w;
    }

    static QToolButton *extensionButton(QToolBar *Bar)
    {
        return Bar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
    }

    // The object tool buttons the toolbar shows whole.
    static QStringList shownButtons(QToolBar *Bar)
    {
        QStringList shown;
        for (QToolButton *b : Bar->findChildren<QToolButton *>())
            if (b->objectName().startsWith(QLatin1String("Sb")) && b->isVisible() && Bar->rect().contains(b->geometry()))
                shown << b->objectName();
        return shown;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        QVERIFY2(fSim.start(), "velmora-sim did not start");
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(screen.size(), QSize(1600, 1000));
    }

    void init()
    {
        ResetSettings(fDir.filePath(QStringLiteral("layout.ini")), fSim.url());
        Config.SetVal("tile_url", "http://127.0.0.1:9/{z}/{x}/{y}.png");
    }

    // Without a saved layout every row shows its name (a long one too) and
    // its whole report time beside the check box and the status picture, and
    // the toolbar shows all ten buttons with no "»".
    void firstWindowShowsRowsAndButtonsWhole()
    {
        TVelmoraClient c(fSim.url(), fSim.demoToken(), QString());
        QVERIFY(c.GetObjects() > 0);
        const int uid = c.ObjList().front()->uid;
        const QString name = c.ObjList().front()->name;
        QVERIFY(c.UpdateObject(uid, {{QStringLiteral("name"), QStringLiteral("Refrigerated delivery van of the north depot")}}));
        const auto restore = qScopeGuard([&] { c.UpdateObject(uid, {{QStringLiteral("name"), name}}); });
        auto w = signedInWindow();
        QVERIFY(w);
        TObjListModel *m = w->ObjModel();
        QTreeView *list = w->ObjList;
        const int check = list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list)
                          + 2 * list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 4;
        const int statusPicture = 20;
        for (int i = 0; i < m->rowCount(); ++i) {
            const QModelIndex row = m->index(i, 0);
            const QRect r = list->visualRect(row);
            for (const QString &line : m->data(row).toString().split(u'\n')) {
                const int need = list->fontMetrics().horizontalAdvance(line) + check + statusPicture;
                QVERIFY2(need <= r.width(), qPrintable(QStringLiteral("%1: %2 > %3").arg(line).arg(need).arg(r.width())));
            }
        }
        QCOMPARE(shownButtons(w->ObjToolBar).size(), 10);
        QToolButton *ext = extensionButton(w->ObjToolBar);
        QVERIFY(!ext || !ext->isVisible());
    }

    // Maximising shares the new width among the map and both side panels
    // in the proportion they had.
    void maximiseWidensSidePanelsInProportion()
    {
        auto w = signedInWindow();
        QVERIFY(w);
        const QList<int> before = w->HorzSplitter->sizes();
        const int totalBefore = before[0] + before[1] + before[2];
        w->showMaximized();
        QTRY_VERIFY(w->width() > 1500);
        QTRY_VERIFY(w->HorzSplitter->sizes()[1] > before[1]);
        const QList<int> after = w->HorzSplitter->sizes();
        const int totalAfter = after[0] + after[1] + after[2];
        for (int i : {0, 2}) {
            QVERIFY2(after[i] > before[i], qPrintable(QStringLiteral("panel %1: %2 -> %3").arg(i).arg(before[i]).arg(after[i])));
            const double shareBefore = double(before[i]) / totalBefore;
            const double shareAfter = double(after[i]) / totalAfter;
            QVERIFY2(std::abs(shareAfter - shareBefore) < 0.02,
                     qPrintable(QStringLiteral("panel %1: share %2 -> %3").arg(i).arg(shareBefore).arg(shareAfter)));
        }
    }

    // A toolbar too narrow for its buttons shows "»", whose menu holds the
    // hidden buttons; choosing one does what the button does.
    void overflowMenuHoldsHiddenButtons()
    {
        Config.SetVal("server", "");
        auto w = std::make_unique<TMonitorMainWin>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->LoginTimer->stop();
        const QList<int> s = w->HorzSplitter->sizes();
        w->HorzSplitter->setSizes({172, s[0] + s[1] - 172, s[2]});
        QTRY_COMPARE(w->LeftPanel->width(), 172);
        QToolBar *bar = w->ObjToolBar;
        // The toolbar lays itself out again after the resize.
        QTRY_VERIFY2(shownButtons(bar).size() < 10, qPrintable(shownButtons(bar).join(u',')));
        const QStringList shown = shownButtons(bar);
        QToolButton *ext = extensionButton(bar);
        QVERIFY(ext);
        QTRY_VERIFY(ext->isVisible());
        QCOMPARE(ext->text(), QStringLiteral("»"));
        QVERIFY(ext->toolButtonStyle() == Qt::ToolButtonTextOnly);

        QStringList offered, offeredTexts;
        QAction *lastMessages = nullptr;
        QTimer::singleShot(100, this, [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (QAction *a : menu->actions()) {
                    offered << a->objectName();
                    offeredTexts << a->text();
                    if (a->objectName() == QLatin1String("SbLastMessages"))
                        lastMessages = a;
                }
                menu->close();
            }
        });
        QTest::mouseClick(ext, Qt::LeftButton);
        QTRY_VERIFY(!offered.isEmpty());
        for (QToolButton *b : bar->findChildren<QToolButton *>())
            if (b->objectName().startsWith(QLatin1String("Sb")))
                QCOMPARE(offered.contains(b->objectName()), !shown.contains(b->objectName()));
        // The items read as the buttons' hints.
        const QString hint = bar->findChild<QToolButton *>(QStringLiteral("SbLastMessages"))->toolTip();
        QVERIFY(!hint.isEmpty());
        QVERIFY2(offeredTexts.contains(hint), qPrintable(offeredTexts.join(u',')));
        QVERIFY(lastMessages);
        w->ShowMsg(QString(), 0);
        lastMessages->trigger();
        QCOMPARE(w->MsgLabel->text(), TMonitorMainWin::Tr(QStringLiteral("object_not_selected")));
    }

    void cleanupTestCase()
    {
        fSim.stop();
        DoneCommon();
    }
};

// The offscreen platform with one 1600 x 1000 screen.
int main(int argc, char **argv)
{
    QTemporaryFile screens(QDir::tempPath() + QStringLiteral("/velmora-screen-XXXXXX.json"));
    if (!screens.open())
        return 1;
    screens.write(R"({"screens": [{"name": "Screen1600", "x": 0, "y": 0, "width": 1600, "height": 1000,
                     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    tst_MainLayout tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_MainLayout.moc"
