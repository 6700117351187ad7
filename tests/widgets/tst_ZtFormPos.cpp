#include "ZtFormPos.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWidget>
#include <QtTest>

class tst_ZtFormPos : public QObject
{
    Q_OBJECT
    QRect wa;

private Q_SLOTS:
    void initTestCase();
    void atCursor_data();
    void atCursor();
    void styles_data();
    void styles();
    void overActiveWindow();
    void unknownStyle_data();
    void unknownStyle();
};

void tst_ZtFormPos::initTestCase()
{
    wa = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(wa.width() >= 640 && wa.height() >= 480);
}

void tst_ZtFormPos::atCursor_data()
{
    QTest::addColumn<QPoint>("cursorFromTopLeft");
    QTest::addColumn<bool>("centerH");
    QTest::addColumn<bool>("centerV");
    QTest::addColumn<QPoint>("expectedFromTopLeft");
    QTest::addRow("corner at cursor") << QPoint(100, 50) << false << false << QPoint(100, 50);
    QTest::addRow("centred horizontally") << QPoint(300, 200) << true << false << QPoint(200, 200);
    QTest::addRow("centred vertically") << QPoint(300, 200) << false << true << QPoint(300, 150);
    QTest::addRow("centred both") << QPoint(300, 200) << true << true << QPoint(200, 150);
    QTest::addRow("centring pushed back from the left edge") << QPoint(20, 20) << true << true << QPoint(0, 0);
}

void tst_ZtFormPos::atCursor()
{
    QFETCH(QPoint, cursorFromTopLeft);
    QFETCH(bool, centerH);
    QFETCH(bool, centerV);
    QFETCH(QPoint, expectedFromTopLeft);
    QCursor::setPos(wa.topLeft() + cursorFromTopLeft);
    QWidget w;
    w.resize(200, 100);
    PlaceFormAtCursor(&w, centerH, centerV);
    QCOMPARE(w.pos(), wa.topLeft() + expectedFromTopLeft);
}

void tst_ZtFormPos::styles_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QPoint>("cursor");
    QTest::addColumn<QPoint>("expected");
    const QRect a = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint br = a.bottomRight() + QPoint(1, 1);
    QTest::addRow("0 at cursor") << 0 << a.topLeft() + QPoint(40, 30) << a.topLeft() + QPoint(40, 30);
    QTest::addRow("0 pushed in at bottom right") << 0 << br - QPoint(10, 10) << br - QPoint(200, 100);
    QTest::addRow("1 centred, a third down")
        << 1 << a.topLeft() << a.topLeft() + QPoint((a.width() - 200) / 2, (a.height() - 100) / 3);
    QTest::addRow("2 bottom right") << 2 << a.topLeft() << br - QPoint(200, 100);
    QTest::addRow("3 without active window: over the work area")
        << 3 << a.topLeft() << a.topLeft() + QPoint((a.width() - 200) / 3, (a.height() - 100) / 3);
}

void tst_ZtFormPos::styles()
{
    QFETCH(int, style);
    QFETCH(QPoint, cursor);
    QFETCH(QPoint, expected);
    QCursor::setPos(cursor);
    QWidget w;
    w.resize(200, 100);
    SetFormPosition(&w, style);
    QCOMPARE(w.pos(), expected);
}

void tst_ZtFormPos::overActiveWindow()
{
    QWidget main;
    main.setGeometry(wa.x() + 100, wa.y() + 50, 500, 400);
    main.show();
    QApplication::setActiveWindow(&main);
    QVERIFY(QTest::qWaitForWindowActive(&main));

    QWidget dlg;
    dlg.resize(200, 100);
    SetFormPosition(&dlg, 3);
    const QRect m = main.frameGeometry();
    // The active window's frame counts, title bar and borders included.
    QCOMPARE(dlg.pos(), m.topLeft() + QPoint((m.width() - 200) / 3, (m.height() - 100) / 3));

    // A window larger than the active one lands above-left of it, inside the work area.
    main.move(wa.topLeft());
    QWidget big;
    big.resize(800, 700);
    SetFormPosition(&big, 3);
    QCOMPARE(big.pos(), wa.topLeft());
}

void tst_ZtFormPos::unknownStyle_data()
{
    QTest::addColumn<int>("style");
    QTest::addRow("4") << 4;
    QTest::addRow("-1") << -1;
}

void tst_ZtFormPos::unknownStyle()
{
    QFETCH(int, style);
    QWidget w;
    w.move(wa.topLeft() + QPoint(7, 9));
    w.resize(200, 100);
    try {
        SetFormPosition(&w, style);
        QFAIL("no error raised");
    } catch (const TFormPositionError &e) {
        QCOMPARE(e.Message(), QStringLiteral("SetFormPosition: Unknow form position style (%1)").arg(style));
        QCOMPARE(QString::fromStdString(e.what()), e.Message());
    }
    QCOMPARE(w.pos(), wa.topLeft() + QPoint(7, 9));
}

QTEST_MAIN(tst_ZtFormPos)
#include "tst_ZtFormPos.moc"
