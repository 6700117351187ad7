// The whole main window after sign-in, on a real X server, kept as an
// artifact: the object list with its status pictures, markers on the map,
// the alarm, event and log tabs.

#include "MainTestSupport.h"

#include "MonitorMap.h"
#include "OSM.ZtMapControl.h"
#include "ObjListModel.h"
#include "main.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTreeView>

class tst_MainScreenshot : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs the X server that scripts/test starts");
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        QVERIFY2(fSim.start(), "velmora-sim did not start");
    }

    void windowAfterSignIn()
    {
        ResetSettings(fDir.filePath(QStringLiteral("shot.ini")), fSim.url());
        Config.SetVal("tile_url", fSim.url() + QStringLiteral("/tiles/{z}/{x}/{y}.png"));
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        TMonitorMainWin w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        TObjListModel *m = w.ObjModel();
        QTRY_VERIFY_WITH_TIMEOUT(m->rowCount() > 0, 10000);
        for (int i = 0; i < m->rowCount(); ++i)
            m->setData(m->index(i, 0), Qt::Checked, Qt::CheckStateRole);
        QVERIFY(w.MapCtrl()->MarkCount() > 0);
        w.ObjList->setCurrentIndex(m->index(0, 0));
        // Tiles arrive from the download threads: a paint asks for those of
        // the view, then every one of them is stored.
        TZtMapControl *map = w.MapCtrl()->Control();
        map->viewport()->repaint();
        QTRY_VERIFY_WITH_TIMEOUT(map->TilesSettled(), 20000);

        const QImage shot = w.grab().toImage();
        QVERIFY(!shot.isNull());
        const QString file = QDir(TestPaths::artifactsDir()).filePath(QStringLiteral("main_window.png"));
        QVERIFY(shot.save(file));
        qInfo("screenshot: %s", qPrintable(file));

        // The first row's status picture is in the picture: its clock face
        // is one of the age colours, not the list background.
        const QRect row = w.ObjList->visualRect(m->index(0, 0));
        const QPoint clock = w.ObjList->viewport()->mapTo(&w, QPoint(row.left() + row.width() - 15, row.top() + row.height() / 2 + 4));
        const QColor c = shot.pixelColor(clock * shot.devicePixelRatio());
        const QList<QColor> ages{QColor(0, 128, 0), QColor(0, 0, 255), QColor(128, 128, 128), w.clWin};
        QVERIFY2(ages.contains(c), qPrintable(c.name()));
    }

    void cleanupTestCase()
    {
        fSim.stop();
        DoneCommon();
    }
};

// Without an X server there is nothing to photograph: CTest reports the
// test as skipped (exit code 77) instead of Qt aborting for want of a display.
int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return 77;
    QApplication app(argc, argv);
    tst_MainScreenshot test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_MainScreenshot.moc"
