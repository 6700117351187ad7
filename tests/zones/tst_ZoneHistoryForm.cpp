#include "ZoneHistoryForm.h"
#include "AccountClock.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZoneInfo.h"
#include "TestHttpServer.h"
#include "ZoneHistoryExport.h"
#include "SimProcess.h"
#include "TestPaths.h"
#include "client.h"
#include "ZoneWorkflow.h"
#include "OSM.ZtMapControl.h"
#include "period_request_form.h"
#include "common.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTreeView>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

// The zone history window, its exports, and the whole road from the zone
// list's button through the period dialog to the window, against velmora-sim.
class tst_ZoneHistoryForm : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    // Points of "object@dd hh:nn" (device time) or "object@sdd hh:nn" (service time only), 1 March 2025.
    static TTrackPointList points(const QStringList &specs)
    {
        TTrackPointList list;
        int uid = 1;
        for (const QString &s : specs) {
            QString when = s.section('@', 1, 1);
            const bool serviceOnly = when.startsWith('s');
            if (serviceOnly)
                when.remove(0, 1);
            const int day = when.section(' ', 0, 0).toInt();
            const QTime t = QTime::fromString(when.section(' ', 1, 1), QStringLiteral("hh:mm"));
            auto p = std::make_unique<TTrackPointInfo>(uid++, s.section('@', 0, 0).toInt());
            const double dt = EncodeDateTime(2025, 3, day, t.hour(), t.minute());
            p->obj_dt = serviceOnly ? 0 : dt;
            p->sys_dt = dt;
            p->lat = 58.0 + uid / 1000.0;
            p->lon = 56.25;
            list.push_back(std::move(p));
        }
        return list;
    }

    // Runs Act on the next modal window of type W that shows up.
    template <class W>
    static void onModal(const std::function<void(W *)> &Act, int triesLeft = 200)
    {
        QTimer::singleShot(20, [Act, triesLeft] {
            if (auto *w = qobject_cast<W *>(QApplication::activeModalWidget()); w && w->isVisible())
                Act(w);
            else if (triesLeft > 0)
                onModal<W>(Act, triesLeft - 1);
        });
    }

    // Reads a CSV file with Python's csv module; the rows as JSON.
    static QJsonArray pythonCsv(const QString &fileName)
    {
        QProcess py;
        py.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv,json,sys\n"
                                 "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                                 "    print(json.dumps(list(csv.reader(f, delimiter=';'))))"),
                  fileName});
        if (!py.waitForFinished(20000) || py.exitCode() != 0)
            return {};
        return QJsonDocument::fromJson(py.readAllStandardOutput()).array();
    }

    struct Fixture
    {
        TZoneInfo zone{5, TZoneInfo::Circle};
        TTrackPointList history;
        TZoneHistoryForm form;
        QStringList opened;
        QStringList boxes;
        explicit Fixture(const QStringList &pts, double dt1 = EncodeDateTime(2025, 3, 1, 8, 0),
                         double dt2 = EncodeDateTime(2025, 3, 1, 18, 30))
        {
            zone.name = QStringLiteral("Depot");
            history = points(pts);
            form.OpenFile = [this](const QString &f) { opened << f; };
            form.MsgBox = [this](const QString &c, const QString &t, int) {
                boxes << c + QStringLiteral(": ") + t;
                return 1;
            };
            form.Fill(nullptr, &zone, history, dt1, dt2);
        }
    };

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        Translation.LoadDefaults(TestPaths::sourceDir() + QStringLiteral("/translations/defaults.txt"));
        IniFile.Open(dir.filePath("settings.ini"));
        ExeDir = dir.path() + QLatin1Char('/');
    }

    void caption_data()
    {
        QTest::addColumn<double>("dt1");
        QTest::addColumn<double>("dt2");
        QTest::addColumn<QString>("caption");
        QTest::addRow("same day") << EncodeDateTime(2025, 3, 1, 8, 0) << EncodeDateTime(2025, 3, 1, 18, 30)
                                  << "Zone Depot: 01.03.2025 08:00..18:30";
        QTest::addRow("two days") << EncodeDateTime(2025, 3, 1, 8, 0) << EncodeDateTime(2025, 3, 2, 0, 0)
                                  << "Zone Depot: 01.03.2025 .. 02.03.2025";
    }
    void caption()
    {
        QFETCH(double, dt1);
        QFETCH(double, dt2);
        QFETCH(QString, caption);
        Fixture f({"1@1 10:00"}, dt1, dt2);
        QCOMPARE(f.form.windowTitle(), caption);
    }

    void tree()
    {
        // Object 2 twice (61 minutes apart), object 1 once, one point of it
        // without device time.
        Fixture f({"2@1 10:00", "1@1 10:05", "2@1 11:01", "1@s1 10:35"});
        QTreeWidget *t = f.form.HistoryList;
        QCOMPARE(t->topLevelItemCount(), 2);
        QCOMPARE(t->topLevelItem(0)->text(1), QStringLiteral("1"));
        QCOMPARE(t->topLevelItem(1)->text(1), QStringLiteral("2"));
        QTreeWidgetItem *visit = t->topLevelItem(0)->child(0);
        QCOMPARE(visit->text(0), QStringLiteral("01.03.2025 10:05:00"));
        QCOMPARE(visit->text(1), QStringLiteral("00:30"));
        QCOMPARE(visit->childCount(), 2);
        QCOMPARE(visit->child(1)->text(0), QStringLiteral("01.03.2025 10:35:00"));
        QVERIFY(visit->child(1)->text(1).startsWith(QStringLiteral("58.00")));
        QCOMPARE(t->topLevelItem(1)->childCount(), 2);
    }

    void exportFiles_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addRow("CSV") << "CSV (*.csv)" << "visits" << "visits.csv";
        QTest::addRow("CSV typed as .txt") << "CSV (*.csv)" << "visits.txt" << "visits.csv";
        QTest::addRow("TXT") << "TXT (*.txt)" << "visits" << "visits.txt";
        QTest::addRow("XLSX: nothing written") << "XLSX (*.xlsx)" << "visits" << "";
    }
    void exportFiles()
    {
        QFETCH(QString, filter);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QTemporaryDir out;
        ExeDir = out.path() + QLatin1Char('/');
        Fixture f({"1@1 10:00", "1@1 10:50", "1@1 12:00"});
        TObjectInfo obj;
        obj.name = QStringLiteral("Van; \"north\" Ж"); // separator, quotes and a non-Latin letter
        for (const auto &v : f.form.Visits())
            const_cast<TVisitInfo &>(*v).obj_info = &obj;
        onModal<QFileDialog>([&](QFileDialog *d) {
            d->selectNameFilter(filter);
            Q_EMIT d->filterSelected(filter);
            d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(typed);
            QMetaObject::invokeMethod(d, "accept");
        });
        f.form.SbExportClick();
        const QStringList files = QDir(out.path()).entryList(QDir::Files);
        if (written.isEmpty()) {
            QVERIFY(files.isEmpty());
            QCOMPARE(f.boxes.size(), 1);
            return;
        }
        QCOMPARE(files, QStringList{written});
        QCOMPARE(f.opened, QStringList{out.filePath(written)});
        QFile file(out.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
        if (written.endsWith(u".csv")) {
            const QJsonArray rows = pythonCsv(out.filePath(written));
            QCOMPARE(rows.size(), 3);
            QCOMPARE(rows[0].toArray().at(0).toString(), QStringLiteral("obj_id"));
            QCOMPARE(rows[1].toArray().at(1).toString(), obj.name);
            QCOMPARE(rows[1].toArray().at(2).toString(), QStringLiteral("01.03.2025 10:00:00"));
            QCOMPARE(rows[1].toArray().at(3).toString(), QStringLiteral("3000"));
            QCOMPARE(rows[2].toArray().at(3).toString(), QStringLiteral("0"));
        } else {
            const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
            QCOMPARE(lines[0], f.form.windowTitle());
            QCOMPARE(lines[1], obj.name + QStringLiteral("\t01.03.2025 10:00:00\t50m 0s"));
        }
    }

    // The service's answer, read by the client over HTTP and grouped into
    // visits in the window. Points "object@hh:mm" carry device and service
    // time; "object@~hh:mm" only the service time, with the device time
    // left out, null or empty as devices without a clock report it;
    // "object@none" no time at all. Visits read "object start duration".
    void visitsFromTheService_data()
    {
        QTest::addColumn<QStringList>("pts");
        QTest::addColumn<QStringList>("visits");
        QTest::addRow("50 minutes apart: one visit") << QStringList{"1@10:00", "1@10:50"}
                                                     << QStringList{"1 10:00:00 00:50"};
        QTest::addRow("61 minutes apart: two visits")
            << QStringList{"1@10:00", "1@11:01"} << QStringList{"1 10:00:00 00:00", "1 11:01:00 00:00"};
        QTest::addRow("no device time at a visit's end")
            << QStringList{"1@10:00", "1@10:20", "1@~10:45"} << QStringList{"1 10:00:00 00:45"};
        QTest::addRow("device time null at a visit's end")
            << QStringList{"1@10:00", "1@null10:45"} << QStringList{"1 10:00:00 00:45"};
        QTest::addRow("device time empty at a visit's end")
            << QStringList{"1@10:00", "1@empty10:45"} << QStringList{"1 10:00:00 00:45"};
        QTest::addRow("no device time at a visit's start")
            << QStringList{"1@~09:30", "1@10:00"} << QStringList{"1 09:30:00 00:30"};
        QTest::addRow("no device time, 61 minutes on: a visit of its own")
            << QStringList{"1@10:00", "1@~11:01"} << QStringList{"1 10:00:00 00:00", "1 11:01:00 00:00"};
        QTest::addRow("no time at all: skipped") << QStringList{"1@10:00", "1@none", "1@10:30"}
                                                 << QStringList{"1 10:00:00 00:30"};
        QTest::addRow("interleaved objects")
            << QStringList{"2@10:10", "1@10:00", "2@~10:30", "1@10:20", "2@10:50"}
            << QStringList{"1 10:00:00 00:20", "2 10:10:00 00:40"};
    }
    void visitsFromTheService()
    {
        QFETCH(QStringList, pts);
        QFETCH(QStringList, visits);
        QJsonArray answer;
        int uid = 0;
        for (const QString &row : pts) {
            QString when = row.section('@', 1);
            QJsonObject p{{"uid", ++uid}, {"obj_id", row.section('@', 0, 0).toInt()}, {"lat", 58.0}, {"lon", 56.25}};
            QString form;
            for (const char *f : {"~", "null", "empty"})
                if (when.startsWith(QLatin1String(f))) {
                    form = QString::fromLatin1(f);
                    when.remove(0, form.size());
                }
            if (when != QLatin1String("none")) {
                const QString iso = QStringLiteral("2025-03-01T%1:00Z").arg(when);
                p.insert("sys_dt", iso);
                if (form.isEmpty())
                    p.insert("obj_dt", iso);
                else if (form == QLatin1String("null"))
                    p.insert("obj_dt", QJsonValue::Null);
                else if (form == QLatin1String("empty"))
                    p.insert("obj_dt", QString());
            }
            answer.append(p);
        }
        TestHttpServer server;
        const std::string body = QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString();
        server.server().Get("/api/v1/zone/5/history", [&body](const httplib::Request &, httplib::Response &res) {
            res.set_content(body, "application/json");
        });
        QVERIFY(server.start());
        QString log;
        TVelmoraClient client(server.baseUrl(), QStringLiteral("TOKEN"), QStringLiteral("0"));
        client.SetLogCallback([&log](const QString &fmt, const QVariantList &args, int count) {
            log += FormatLogText(fmt, args, count);
        });
        const double dt1 = EncodeDateTime(2025, 3, 1, 8, 0), dt2 = EncodeDateTime(2025, 3, 1, 18, 0);
        QVERIFY2(client.GetZoneHistory(5, 0, 0, dt1, dt2) == pts.size(), qPrintable(log));

        TZoneInfo zone(5, TZoneInfo::Circle);
        TZoneHistoryForm form;
        form.Fill(&client, &zone, client.ZoneHistory(), dt1, dt2);
        QStringList got;
        QTreeWidget *t = form.HistoryList;
        for (int i = 0; i < t->topLevelItemCount(); ++i)
            for (int k = 0; k < t->topLevelItem(i)->childCount(); ++k) {
                const QTreeWidgetItem *v = t->topLevelItem(i)->child(k);
                got << QStringLiteral("%1 %2 %3").arg(form.Visits()[size_t(got.size())]->obj_id).arg(v->text(0).section(' ', 1), v->text(1));
                // Every point of a visit shows a real time.
                for (int n = 0; n < v->childCount(); ++n)
                    QVERIFY2(v->child(n)->text(0).startsWith(QLatin1String("01.03.2025 ")), qPrintable(v->child(n)->text(0)));
            }
        QCOMPARE(got, visits);
        for (const auto &v : form.Visits())
            QVERIFY(v->GetDuration() >= 0 && v->GetDuration() < 86400);
    }

    void historyFromTheZoneList()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        QString log;
        auto client = sim.demoClient(&log);
        QVERIFY(client);
        QWidget win;
        auto *view = new QTreeView(&win);
        auto *model = new QStandardItemModel(0, 1, view);
        view->setModel(model);
        auto *button = new QToolButton(&win);
        auto *map = new TZtMapControl(&win, 0, dir.path(), sim.tileUrl(), QStringLiteral("velmora-tests"));
        map->setGeometry(0, 0, 400, 300);
        QStringList notices;
        TZoneWorkflowContext ctx;
        ctx.ShowMsg = [&](const QString &k, int) { notices << k; };
        ctx.ShowMsgFmt = [&](const QString &k, const QVariantList &, int) { notices << k; };
        ctx.Parent = &win;
        TZoneWorkflow wf(client.get(), map, view, model, ctx);
        QCOMPARE(wf.LoadZones(), 2);
        // The first zone is "Home", where the demo objects stop: three days of history.
        view->setCurrentIndex(model->index(0, 0));
        bool shown = false;
        int visits = 0;
        QStringList texts;
        onModal<TPeriodRequestForm>([&](TPeriodRequestForm *d) {
            d->SetDt1(AccountNow() - 3);
            d->SetDt2(AccountNow());
            onModal<TZoneHistoryForm>([&](TZoneHistoryForm *h) {
                shown = true;
                visits = int(h->Visits().size());
                for (const auto &v : h->Visits())
                    texts << QString::number(v->GetDuration());
                for (QTreeWidgetItemIterator it(h->HistoryList); *it; ++it)
                    texts << (*it)->text(0) + (*it)->text(1);
                h->accept();
            });
            QTest::mouseClick(d->ButOk, Qt::LeftButton);
        });
        wf.ShowZoneHistory(button);
        QVERIFY2(shown, qPrintable(notices.join(',') + log.right(400)));
        QVERIFY(visits > 0);
        // Points without device time (the service sends some) never give an
        // undefined time or a negative duration.
        for (const QString &t : texts) {
            QVERIFY2(!t.contains(QStringLiteral("NaN")), qPrintable(t));
            QVERIFY2(!t.startsWith('-'), qPrintable(t));
        }
        map->SetGeoZones(nullptr);
    }
};

QTEST_MAIN(tst_ZoneHistoryForm)
#include "tst_ZoneHistoryForm.moc"
