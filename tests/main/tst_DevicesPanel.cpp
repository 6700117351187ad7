#include "CommandsForm.h"
#include "DevicesPanel.h"
#include "ObjConfigForm.h"
#include "ObjPlacesForm.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrackPointInfo.h"
#include "client.h"

#include <QTreeWidget>
#include "PanelTestSupport.h"

#include <QPushButton>
#include <QScopeGuard>

#include <httplib.h>

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
        QVERIFY2(fSim.start({QStringLiteral("--faults-control")}), "velmora-sim did not start");
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

    // A place from the spot: the access points there fill the create-mode
    // dialog; a spot without any gives the message instead; a look-up that
    // failed says so, with the client's error, not "none around".
    void createPlaceAt_data()
    {
        QTest::addColumn<bool>("atStop"); // at the object's first stop, or far off
        QTest::addColumn<QString>("fault"); // of the service's look-up
        QTest::addColumn<QString>("notice");
        QTest::addRow("access points around") << true << "" << "";
        QTest::addRow("none around") << false << "" << "wifi_not_found";
        QTest::addRow("service failing (500) at the stop") << true << "500" << "error";
        QTest::addRow("service failing (503) far off") << false << "503" << "error";
    }
    void createPlaceAt()
    {
        QFETCH(bool, atStop);
        QFETCH(QString, fault);
        QFETCH(QString, notice);
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 0);
        ctx.Selected = ctx.Client()->ObjList().front().get();
        // A spot of the network: narrowed down from the squares around the
        // object by quarters, each holding one of its access points.
        auto holds = [&](double la1, double lo1, double la2, double lo2) {
            TWifiList aps;
            ctx.Client()->GetWifi(aps, la1, lo1, la2, lo2);
            return std::any_of(aps.begin(), aps.end(), [](const TWifiData &w) { return w.ssid == QStringLiteral("Дача 5G"); });
        };
        double la1 = 0, lo1 = 0, size = 0.5;
        for (int i = -3; i <= 3 && size == 0.5 && la1 == 0; ++i)
            for (int j = -3; j <= 3 && la1 == 0; ++j) {
                const double la = ctx.Selected->last_point->lat + i * size - size / 2;
                const double lo = ctx.Selected->last_point->lon + j * size - size / 2;
                if (holds(la, lo, la + size, lo + size)) {
                    la1 = la;
                    lo1 = lo;
                }
            }
        QVERIFY(la1 != 0);
        while (size > 0.001) {
            size /= 2;
            bool found = false;
            for (int q = 0; q < 4 && !found; ++q) {
                const double la = la1 + (q / 2) * size, lo = lo1 + (q % 2) * size;
                if (holds(la, lo, la + size, lo + size)) {
                    la1 = la;
                    lo1 = lo;
                    found = true;
                }
            }
            QVERIFY(found);
        }
        const double spotLat = atStop ? la1 + size / 2 : 0.5, spotLon = atStop ? lo1 + size / 2 : 0.5;
        TDevicesPanel devices(ctx, nullptr);
        httplib::Client faults(fSim.url().toStdString());
        auto setFaults = [&faults](const QString &rules) {
            const auto res = faults.Put("/sim/faults", rules.toStdString(), "text/plain");
            return res && res->status < 300;
        };
        QVERIFY(setFaults(fault.isEmpty() ? QString() : QStringLiteral("/api/v1/wifi_aps:%1=1").arg(fault)));
        const auto clear = qScopeGuard([&] { setFaults(QString()); });
        QStringList networks;
        QString shown;
        ModalWatcher w([&](QWidget *m) {
            shown = m->objectName();
            if (auto *form = qobject_cast<TObjPlacesForm *>(m))
                for (int i = 0; i < form->WifiList->topLevelItemCount(); ++i)
                    networks << form->WifiList->topLevelItem(i)->text(0);
            QTimer::singleShot(0, m, [m] { static_cast<QDialog *>(m)->reject(); });
            return true;
        });
        devices.CreatePlaceAt(spotLat, spotLon);
        if (!fault.isEmpty()) {
            QVERIFY(shown.isEmpty());
            QCOMPARE(ctx.Notices, QStringList{notice});
            QCOMPARE(ctx.NoticeArgs.size(), 1);
            QVERIFY2(ctx.NoticeArgs[0].endsWith(QStringLiteral("[%1]").arg(fault)), qPrintable(ctx.NoticeArgs[0]));
        } else if (atStop) {
            QCOMPARE(shown, QStringLiteral("ObjPlacesForm"));
            QVERIFY2(networks.contains(QStringLiteral("Дача 5G")), qPrintable(networks.join(u'|')));
            QVERIFY(ctx.Notices.isEmpty());
        } else {
            QVERIFY(shown.isEmpty());
            QCOMPARE(ctx.Notices, QStringList{notice});
        }
    }
};

QTEST_MAIN(tst_DevicesPanel)
#include "tst_DevicesPanel.moc"
