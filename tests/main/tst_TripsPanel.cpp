#include "PanelTestSupport.h"
#include "TripsPanel.h"

// The trip actions have no windows of their own yet: each says so.
class tst_TripsPanel : public QObject
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
        QTest::addRow("trips menu") << 0 << "MenuUserTrips";
        QTest::addRow("start trip") << 1 << "PopupStartTrip";
        QTest::addRow("stop trip") << 2 << "PopupStopTrip";
    }
    void everyActionAnswers()
    {
        QFETCH(int, action);
        QFETCH(QString, name);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"));
        TTripsPanel trips(ctx, nullptr);
        const std::function<void()> actions[] = {
            [&] { trips.OpenTrips(); },
            [&] { trips.StartObjectTrip(); },
            [&] { trips.StopObjectTrip(); },
        };
        actions[action]();
        QCOMPARE(ctx.Notices, QStringList{QStringLiteral("not_implemented")});
        QVERIFY(ctx.LogText.contains(name + QStringLiteral(": not implemented")));
    }
};

QTEST_MAIN(tst_TripsPanel)
#include "tst_TripsPanel.moc"
