#include "ObjInfoForm.h"
#include "AccountClock.h"
#include "OSM.ObjectInfo.h"
#include "TestPaths.h"
#include "common.h"

#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTreeWidget>
#include <QtTest>

#include <ctime>

class tst_ObjInfoForm : public QObject
{
    Q_OBJECT

    static void fill(TObjectInfo &o)
    {
        o.uid = 7;
        o.id = QStringLiteral("862001");
        o.name = QStringLiteral("Van");
        o.hw_type = QStringLiteral("phone");
        o.hw_info = QStringLiteral("board 3");
        o.last_point = std::make_unique<TTrackPointInfo>(1, 7);
        o.last_point->lat = 57.998649;
        o.last_point->lon = 56.27574;
        o.last_point->bat = 80;
        o.last_point->sys_dt = EncodeDateTime(2025, 3, 1, 10, 0);
        auto fresh = std::make_unique<TSensorInfo>(1);
        fresh->sign = QStringLiteral("temp");
        fresh->name = QStringLiteral("Temperature");
        fresh->unit = QStringLiteral("C");
        fresh->val = QStringLiteral("21.5");
        fresh->sys_dt = EncodeDateTime(2025, 3, 1, 9, 0);
        fresh->obj_dt = fresh->sys_dt;
        o.sensors.push_back(std::move(fresh));
        auto old = std::make_unique<TSensorInfo>(2);
        old->sign = QStringLiteral("hum");
        old->val = QStringLiteral("40");
        old->sys_dt = EncodeDateTime(2025, 2, 27, 9, 0);
        o.sensors.push_back(std::move(old));
        auto vector = std::make_unique<TSensorInfo>(3);
        vector->sign = QStringLiteral("vector");
        vector->sys_dt = EncodeDateTime(2025, 3, 1, 9, 0);
        o.sensors.push_back(std::move(vector));
    }

    static QStringList keys(const QList<TObjInfoForm::TRow> &rows)
    {
        QStringList k;
        for (const auto &r : rows)
            k << r.key + QLatin1Char('=') + r.value;
        return k;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Translation.LoadDefaults(TestPaths::sourceDir() + QStringLiteral("/translations/defaults.txt"));
    }

    void rows_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("expert");
        QTest::addRow("ordinary user") << 0 << false;
        QTest::addRow("expert") << 9 << true;
    }
    void rows()
    {
        QFETCH(int, level);
        QFETCH(bool, expert);
        TObjectInfo o;
        fill(o);
        const QStringList k = keys(TObjInfoForm::InfoRows(o, level, EncodeDateTime(2025, 3, 1, 12, 0)));
        QCOMPARE(k.contains(QStringLiteral("UID=7")), expert);
        QCOMPARE(k.contains(QStringLiteral("Hardware=board 3")), expert);
        QVERIFY(k.contains(QStringLiteral("Latitude, longitude=57.998649,56.275740")));
        QVERIFY(k.contains(QStringLiteral("Battery=80")));
        // A fresh sensor with its unit; a day-old one and the vector are left out.
        QVERIFY(k.contains(QStringLiteral("Temperature, C=21.5")));
        QCOMPARE(k.filter(QStringLiteral("hum")).size(), 0);
        QCOMPARE(k.filter(QStringLiteral("vector")).size(), 0);
    }

    // The window is as tall as its rows (within 200 to 600 pixels): the last
    // row ends at the list's bottom edge, and a long address takes a line
    // per 20 characters.
    void heightFitsRows_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("address");
        QTest::addRow("ordinary user") << 0 << QStringLiteral("Lenina St, 12, Perm, 614000");
        QTest::addRow("expert, long address")
            << 9 << QStringLiteral("Komsomolsky Ave, 118, building 2, entrance 4, Perm, Perm Krai, 614010");
    }
    // A sensor read within the last day shows; its age is counted on the
    // account's clock, the clock of its reading, not on the computer's.
    void sensorAgeByAccountClock_data()
    {
        QTest::addColumn<QByteArray>("computerZone");
        QTest::addColumn<int>("accountHours");
        QTest::addColumn<double>("ageHours");
        QTest::addColumn<bool>("shown");
        for (const auto &[zone, hours] : {std::pair{QByteArray("Etc/GMT-14"), -10}, std::pair{QByteArray("Etc/GMT+11"), 9},
                                          std::pair{QByteArray("UTC"), 0}}) {
            const QByteArray name = zone + " / account " + QByteArray::number(hours);
            QTest::addRow("%s, 23.5 h old", name.constData()) << zone << hours << 23.5 << true;
            QTest::addRow("%s, 24.5 h old", name.constData()) << zone << hours << 24.5 << false;
            QTest::addRow("%s, 1 h old", name.constData()) << zone << hours << 1.0 << true;
        }
    }
    void sensorAgeByAccountClock()
    {
        QFETCH(QByteArray, computerZone);
        QFETCH(int, accountHours);
        QFETCH(double, ageHours);
        QFETCH(bool, shown);
        const QByteArray oldTz = qgetenv("TZ");
        const double oldZone = AccountZone();
        const auto restore = qScopeGuard([&] {
            if (oldTz.isEmpty())
                qunsetenv("TZ");
            else
                qputenv("TZ", oldTz);
            tzset();
            SetAccountZone(oldZone);
        });
        qputenv("TZ", computerZone);
        tzset();
        SetAccountZone(accountHours / 24.0);

        TObjectInfo o;
        fill(o);
        auto s = std::make_unique<TSensorInfo>(50);
        s->sign = QStringLiteral("probe");
        s->val = QStringLiteral("21");
        s->sys_dt = NowInZone(accountHours / 24.0) - ageHours / 24.0;
        o.sensors.push_back(std::move(s));
        QPointer<TObjInfoForm> f = new TObjInfoForm;
        const auto close = qScopeGuard([&] { delete f; });
        f->ShowObjInfo(&o);
        QVERIFY(QTest::qWaitForWindowExposed(f));
        bool found = false;
        for (int i = 0; i < f->InfoList->topLevelItemCount(); ++i)
            found = found || f->InfoList->topLevelItem(i)->text(0) == QLatin1String("probe");
        QCOMPARE(found, shown);
    }

    void heightFitsRows()
    {
        QFETCH(int, level);
        QFETCH(QString, address);
        const int oldLevel = UserLevel;
        UserLevel = level;
        TObjectInfo o;
        fill(o);
        o.model = QStringLiteral("X1");
        o.sw_ver = QStringLiteral("2.4");
        o.settings = QStringLiteral("interval=60");
        o.address = address;
        // Fresh sensors, so that the rows need more than the least height.
        for (int i = 0; i < 4; ++i) {
            auto s = std::make_unique<TSensorInfo>(10 + i);
            s->sign = QStringLiteral("s%1").arg(i);
            s->val = QString::number(i);
            s->sys_dt = AccountNow();
            o.sensors.push_back(std::move(s));
        }
        QPointer<TObjInfoForm> f = new TObjInfoForm;
        f->ShowObjInfo(&o);
        QVERIFY(QTest::qWaitForWindowExposed(f));
        UserLevel = oldLevel;
        QTreeWidget *list = f->InfoList;
        const int n = list->topLevelItemCount();
        QVERIFY(n > 10);
        const int line = list->fontMetrics().height() + 4;
        int addressLines = 0;
        for (int i = 0; i < n; ++i) {
            const QRect r = list->visualItemRect(list->topLevelItem(i));
            const bool isAddress = list->topLevelItem(i)->text(1) == address;
            if (isAddress)
                addressLines = r.height() / line;
            QCOMPARE(r.height(), isAddress ? line * (address.size() / 20 + 1) : line);
        }
        QCOMPARE(addressLines, address.size() / 20 + 1);
        QVERIFY(f->height() > 200 && f->height() < 600);
        QVERIFY(!list->verticalScrollBar()->isVisible());
        const QRect last = list->visualItemRect(list->topLevelItem(n - 1));
        QCOMPARE(last.bottom() + 1, list->viewport()->height());

        // On screen: the last row's text is in the lowest line of the list,
        // and no empty band lies below it.
        const QImage shot = list->viewport()->grab().toImage();
        auto inked = [&shot](int y) {
            for (int x = 0; x < shot.width(); ++x)
                if (qGray(shot.pixel(x, y)) < 128)
                    return true;
            return false;
        };
        bool lastRowInked = false;
        for (int y = shot.height() - line; y < shot.height(); ++y)
            lastRowInked = lastRowInked || inked(y);
        QVERIFY(lastRowInked);
        f->close();
        QTRY_VERIFY(!f);
    }

    void popupCopiesAndCloses()
    {
        TObjectInfo o;
        fill(o);
        QPointer<TObjInfoForm> f = new TObjInfoForm;
        f->ShowObjInfo(&o);
        QVERIFY(QTest::qWaitForWindowExposed(f));
        QVERIFY(f->width() >= 300 && f->width() <= 600);
        QVERIFY(f->height() >= 200 && f->height() <= 600);
        f->InfoList->setCurrentItem(f->InfoList->topLevelItem(1));
        QTest::keyClick(f, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Van"));
        QTest::keyClick(f, Qt::Key_Escape);
        QTRY_VERIFY(!f);
    }
};

QTEST_MAIN(tst_ObjInfoForm)
#include "tst_ObjInfoForm.moc"
