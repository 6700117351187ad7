#include "PanelTestSupport.h"
#include "TracksPanel.h"

#include <QAction>
#include <QMenu>
#include <QSplitter>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

class tst_TracksPanel : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
    }

    // Until the track windows land, every control says so instead of doing
    // nothing; a control wired to nothing fails here.
    void everyControlAnswers_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *b : {"SbTrackInfo", "SbExplainTrack", "SbDumpTrack", "SbDeleteTrack"})
            QTest::addRow("button %s", b) << QString::fromLatin1(b);
        for (const char *a : {"PopupImportTrack", "PopupExportTrack", "PopupFilterTrack", "PopupDumpTrack"})
            QTest::addRow("menu %s", a) << QString::fromLatin1(a);
        QTest::addRow("object toolbar: request track") << "SbRequestTrack";
        QTest::addRow("object toolbar: last messages") << "SbLastMessages";
        QTest::addRow("double click in the list") << "TrackList";
    }
    void everyControlAnswers()
    {
        QFETCH(QString, control);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"));
        QSplitter parent;
        TTracksPanel panel(ctx, &parent, nullptr);
        if (auto *b = panel.ToolBar->findChild<QToolButton *>(control))
            b->click();
        else if (auto *a = panel.PopupMenu->findChild<QAction *>(control))
            a->trigger();
        else if (control == QLatin1String("SbRequestTrack"))
            panel.SbRequestTrackClick();
        else if (control == QLatin1String("SbLastMessages"))
            panel.SbLastMessagesClick();
        else
            panel.TrackListDblClick();
        QCOMPARE(ctx.Notices, QStringList{QStringLiteral("not_implemented")});
        QVERIFY(ctx.LogText.contains(control + QStringLiteral(": not implemented")));
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
};

QTEST_MAIN(tst_TracksPanel)
#include "tst_TracksPanel.moc"
