#include "ObjInfoForm.h"
#include "OSM.ObjectInfo.h"
#include "TestPaths.h"
#include "common.h"

#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QTreeWidget>
#include <QtTest>

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
