#include "ZtLed.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

class tst_ZtLed : public QObject
{
    Q_OBJECT

    static QColor CentrePixel(TZtLed &led)
    {
        const QImage img = led.grab().toImage();
        return img.pixelColor(img.width() / 2, img.height() / 2);
    }

private Q_SLOTS:
    void statesAndChangeEvent();
    void paintsItsColour();
    void blinksWhileLit();
};

void tst_ZtLed::statesAndChangeEvent()
{
    TZtLed led;
    QCOMPARE(led.size(), QSize(16, 16));
    QCOMPARE(led.sizeHint(), QSize(16, 16));
    QVERIFY(!led.Lit());
    QCOMPARE(led.CurrentColor(), QColor(192, 192, 192));

    QSignalSpy spy(&led, &TZtLed::changed);
    led.SetLit(true);
    QCOMPARE(led.CurrentColor(), QColor(255, 0, 0));
    led.SetLit(true); // no change, no event
    led.SetLit(false);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    QCOMPARE(spy.at(1).at(0).toBool(), false);
    QCOMPARE(led.CurrentColor(), QColor(192, 192, 192));

    // The Qt property serves the dialogs that keep a list of lamps.
    QVERIFY(led.setProperty("Lit", true));
    QVERIFY(led.Lit());
    QCOMPARE(spy.count(), 3);
}

void tst_ZtLed::paintsItsColour()
{
    TZtLed led;
    QCOMPARE(CentrePixel(led), QColor(192, 192, 192));
    led.SetLit(true);
    QCOMPARE(CentrePixel(led), QColor(255, 0, 0));
    led.SetOnColor(Qt::green);
    QCOMPARE(CentrePixel(led), QColor(Qt::green));
}

void tst_ZtLed::blinksWhileLit()
{
    TZtLed led;
    led.SetBlink(true);
    // Blinking alone does not light the lamp.
    QTest::qWait(300);
    QCOMPARE(led.CurrentColor(), led.OffColor());

    QSignalSpy spy(&led, &TZtLed::changed);
    QElapsedTimer t;
    t.start();
    led.SetLit(true);
    QCOMPARE(led.CurrentColor(), led.OnColor());
    QTRY_COMPARE_WITH_TIMEOUT(led.CurrentColor(), led.OffColor(), 1000);
    const qint64 darkAt = t.elapsed();
    QVERIFY2(darkAt >= 150, qPrintable(QString::number(darkAt)));
    QTRY_COMPARE_WITH_TIMEOUT(led.CurrentColor(), led.OnColor(), 2000);
    const qint64 litAgainAt = t.elapsed();
    // The dark part lasts the rest of the 1000 ms period.
    QVERIFY2(litAgainAt - darkAt >= 700, qPrintable(QString::number(litAgainAt - darkAt)));
    QVERIFY(led.Lit());
    // The blink phases are not changes of state.
    QCOMPARE(spy.count(), 1);

    led.SetBlink(false);
    QTest::qWait(1100);
    QCOMPARE(led.CurrentColor(), led.OnColor());
    led.SetLit(false);
    QCOMPARE(led.CurrentColor(), led.OffColor());
}

QTEST_MAIN(tst_ZtLed)
#include "tst_ZtLed.moc"
