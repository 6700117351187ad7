#include "ObjStatusPainter.h"

#include "OSM.ObjectInfo.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>

namespace {
constexpr int W = 200, H = 40;   // one 40-pixel row; R = 200, T = 0
const QColor Back(255, 0, 255);  // untouched by the picture
const QColor Win(250, 250, 240); // clWin
const QColor Outline(0, 0, 0);
const QColor Green(0, 128, 0), Blue(0, 0, 255), Grey(128, 128, 128), Orange(255, 165, 0), Red(255, 0, 0);
constexpr TDateTime TheNow = 46000.5;

QImage paint(const TObjectInfo &obj)
{
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Back);
    QPainter p(&img);
    PaintObjectStatus(p, QRect(0, 0, W, H), obj, {Win, Outline}, TheNow);
    return img;
}

std::unique_ptr<TObjectInfo> object(double minutesOld, int bat)
{
    auto obj = std::make_unique<TObjectInfo>(7, QStringLiteral("phone"));
    obj->last_point->sys_dt = std::isnan(minutesOld) ? minutesOld : TheNow - minutesOld / 1440.0;
    obj->last_point->bat = bat;
    return obj;
}
} // namespace

class tst_ObjStatusPainter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void clockAndBattery_data()
    {
        QTest::addColumn<double>("minutes");
        QTest::addColumn<int>("bat");
        QTest::addColumn<QColor>("clock");
        QTest::addColumn<int>("fill"); // battery level width; -1: shown empty
        QTest::addColumn<QColor>("level");
        QTest::addRow("29 min, 75%%: green, full with terminal") << 29.0 << 75 << Green << 16 << Green;
        QTest::addRow("30 min, 74%%: blue, 12 px") << 30.0 << 74 << Blue << 12 << Blue;
        QTest::addRow("59 min, 50%%: blue, 12 px") << 59.0 << 50 << Blue << 12 << Blue;
        QTest::addRow("60 min, 25%%: grey, 8 px") << 60.0 << 25 << Grey << 8 << Orange;
        QTest::addRow("23 h, 1%%: grey, 4 px") << 23 * 60.0 << 1 << Grey << 4 << Red;
        QTest::addRow("10 min, 0%%: outline only") << 10.0 << 0 << Green << 0 << Win;
        QTest::addRow("24 h, 100%%: window clock, empty") << 24 * 60.0 << 100 << Win << -1 << Win;
    }
    void clockAndBattery()
    {
        QFETCH(double, minutes);
        QFETCH(int, bat);
        QFETCH(QColor, clock);
        QFETCH(int, fill);
        QFETCH(QColor, level);
        const QImage img = paint(*object(minutes, bat));
        const int R = W, T = 0;
        // Inside the clock face, clear of the hands.
        QCOMPARE(img.pixelColor(R - 15, T + H / 2 + 4), clock);
        QCOMPARE(img.pixelColor(R - 4, T + H / 2 + 4), clock);
        // The battery's outline is always drawn.
        QCOMPARE(img.pixelColor(R - 2, T + 10), Outline);
        QCOMPARE(img.pixelColor(R - 10, T + 2), Outline);
        QCOMPARE(img.pixelColor(R - 20, T + 10), Outline);
        // The level fills the body from its right end: x from R - W - 1 to R - 3.
        const struct { int x, minWidth; } probes[] = {{R - 3, 4}, {R - 5, 4}, {R - 7, 8}, {R - 9, 8},
                                                     {R - 11, 12}, {R - 13, 12}, {R - 15, 16}, {R - 17, 16}};
        for (const auto &pr : probes) {
            const QColor want = fill >= pr.minWidth ? level : Win;
            QVERIFY2(img.pixelColor(pr.x, T + 10) == want,
                     qPrintable(QStringLiteral("x = R - %1").arg(R - pr.x)));
        }
        // Bottom row of the level is T + H/2 - 2; the outline below it.
        QCOMPARE(img.pixelColor(R - 3, T + H / 2 - 2), fill >= 4 ? level : Win);
        QCOMPARE(img.pixelColor(R - 3, T + H / 2 - 1), Outline);
        // The terminal fills only with a full battery.
        QCOMPARE(img.pixelColor(R - 19, T + 10), fill == 16 ? level : Win);
        // Nothing at the left: no alarm, no trip.
        QCOMPARE(img.pixelColor(1, T + 20), Back);
        QCOMPARE(img.pixelColor(5, T + 20), Back);
    }

    void bars_data()
    {
        QTest::addColumn<bool>("alarm");
        QTest::addColumn<int>("tripId");
        QTest::addColumn<int>("tripStatus");
        QTest::addColumn<QColor>("alarmBar");
        QTest::addColumn<QColor>("tripBar");
        QTest::addRow("alarm") << true << 0 << 0 << Red << Back;
        QTest::addRow("planned trip") << false << 5 << 0 << Back << Grey;
        QTest::addRow("running trip") << false << 5 << 1 << Back << QColor(0, 0, 128);
        QTest::addRow("finished trip") << false << 5 << 2 << Back << Back;
        QTest::addRow("no trip id") << false << 0 << 1 << Back << Back;
    }
    void bars()
    {
        QFETCH(bool, alarm);
        QFETCH(int, tripId);
        QFETCH(int, tripStatus);
        QFETCH(QColor, alarmBar);
        QFETCH(QColor, tripBar);
        auto obj = object(5, 80);
        if (alarm)
            obj->alarms.push_back(std::make_unique<TEventInfo>(1, 7));
        obj->trip_id = tripId;
        obj->trip_status = tripStatus;
        const QImage img = paint(*obj);
        // x 0..2 and 4..6, y 4..H-5.
        QCOMPARE(img.pixelColor(0, 4), alarmBar);
        QCOMPARE(img.pixelColor(2, H - 5), alarmBar);
        QCOMPARE(img.pixelColor(3, 20), Back);
        QCOMPARE(img.pixelColor(0, H - 4), Back);
        QCOMPARE(img.pixelColor(4, 4), tripBar);
        QCOMPARE(img.pixelColor(6, H - 5), tripBar);
        QCOMPARE(img.pixelColor(7, 20), Back);
    }

    void nothingWithoutReportTime_data()
    {
        QTest::addColumn<double>("sysDt");
        QTest::addRow("undefined") << std::nan("");
        QTest::addRow("zero") << 0.0;
    }
    void nothingWithoutReportTime()
    {
        QFETCH(double, sysDt);
        auto obj = object(5, 80);
        obj->last_point->sys_dt = sysDt;
        obj->alarms.push_back(std::make_unique<TEventInfo>(1, 7));
        const QImage img = paint(*obj);
        QImage blank(W, H, QImage::Format_RGB32);
        blank.fill(Back);
        QCOMPARE(img, blank);
    }
};

QTEST_MAIN(tst_ObjStatusPainter)
#include "tst_ObjStatusPainter.moc"
