#include "CommandsForm.h"
#include "DevicesPanel.h"
#include "ObjConfigForm.h"
#include "PanelTestSupport.h"

#include <QPushButton>

// Every device action needs a selected object and opens its dialog on it.
class tst_DevicesPanel : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        ExeDir = fDir.path() + u'/';
        QVERIFY2(fSim.start(), "velmora-sim did not start");
    }

    // With an object selected, each action opens its dialog on it (the
    // simulated devices start with their queries answered), logging through
    // the window's log.
    void dialogsOpenOnTheSelectedObject_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("logged");
        QTest::addRow("commands") << 0 << "Commands:   -> ";
        QTest::addRow("configuration") << 1 << "Config:   -> ";
        QTest::addRow("places") << 2 << "Places:   -> ";
        QTest::addRow("SMS filters") << 3 << "SmsFilters:   -> ";
    }
    void dialogsOpenOnTheSelectedObject()
    {
        QFETCH(int, action);
        QFETCH(QString, logged);
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 0);
        ctx.Selected = ctx.Client()->ObjList().front().get();
        TDevicesPanel devices(ctx, nullptr);
        QString shown;
        ModalWatcher w([&](QWidget *m) {
            shown = m->objectName();
            QTimer::singleShot(0, m, [m] { static_cast<QDialog *>(m)->reject(); });
            return true;
        });
        const std::function<void()> actions[] = {
            [&] { devices.SbCommandsClick(); }, [&] { devices.SbConfigurationClick(); },
            [&] { devices.SbPlacesClick(); },   [&] { devices.SbSmsFiltersClick(); },
        };
        actions[action]();
        const char *names[] = {"CommandsForm", "ObjConfigForm", "ObjPlacesForm", "SmsFiltersForm"};
        QCOMPARE(shown, QLatin1String(names[action]));
        QVERIFY2(ctx.LogText.contains(logged), qPrintable(ctx.LogText.right(300)));
        QVERIFY(ctx.Notices.isEmpty());
    }

    void everyActionAnswers_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("notice");
        QTest::addRow("configuration") << 0 << "SbConfiguration" << "object_not_selected";
        QTest::addRow("SMS filters") << 1 << "SbSmsFilters" << "object_not_selected";
        QTest::addRow("commands") << 2 << "SbCommands" << "object_not_selected";
        QTest::addRow("places") << 3 << "SbPlaces" << "object_not_selected";
    }
    void everyActionAnswers()
    {
        QFETCH(int, action);
        QFETCH(QString, name);
        QFETCH(QString, notice);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"));
        TDevicesPanel devices(ctx, nullptr);
        const std::function<void()> actions[] = {
            [&] { devices.SbConfigurationClick(); }, [&] { devices.SbSmsFiltersClick(); },
            [&] { devices.SbCommandsClick(); },      [&] { devices.SbPlacesClick(); },
        };
        actions[action]();
        QCOMPARE(ctx.Notices, QStringList{notice});
        if (notice == QLatin1String("not_implemented"))
            QVERIFY(ctx.LogText.contains(name + QStringLiteral(": not implemented")));
    }
};

QTEST_MAIN(tst_DevicesPanel)
#include "tst_DevicesPanel.moc"
