#include "DevicesPanel.h"
#include "PanelTestSupport.h"

// The device actions without windows yet say so; the others need a selected
// object.
class tst_DevicesPanel : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
    }

    void everyActionAnswers_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("notice");
        QTest::addRow("configuration") << 0 << "SbConfiguration" << "object_not_selected";
        QTest::addRow("SMS filters") << 1 << "SbSmsFilters" << "not_implemented";
        QTest::addRow("commands") << 2 << "SbCommands" << "object_not_selected";
        QTest::addRow("places") << 3 << "SbPlaces" << "not_implemented";
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
