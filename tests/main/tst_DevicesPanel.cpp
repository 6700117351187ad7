#include "DevicesPanel.h"
#include "PanelTestSupport.h"

// The device actions have no windows of their own yet: each says so.
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
        QTest::addRow("configuration") << 0 << "SbConfiguration";
        QTest::addRow("SMS filters") << 1 << "SbSmsFilters";
        QTest::addRow("commands") << 2 << "SbCommands";
        QTest::addRow("places") << 3 << "SbPlaces";
    }
    void everyActionAnswers()
    {
        QFETCH(int, action);
        QFETCH(QString, name);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"));
        TDevicesPanel devices(ctx, nullptr);
        const std::function<void()> actions[] = {
            [&] { devices.SbConfigurationClick(); }, [&] { devices.SbSmsFiltersClick(); },
            [&] { devices.SbCommandsClick(); },      [&] { devices.SbPlacesClick(); },
        };
        actions[action]();
        QCOMPARE(ctx.Notices, QStringList{QStringLiteral("not_implemented")});
        QVERIFY(ctx.LogText.contains(name + QStringLiteral(": not implemented")));
    }
};

QTEST_MAIN(tst_DevicesPanel)
#include "tst_DevicesPanel.moc"
