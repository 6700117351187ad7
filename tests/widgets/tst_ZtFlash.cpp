#include "ZtFlash.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>
#include <QtTest>

class tst_ZtFlash : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void flashesThreeTimesThenFocuses();
    void fieldDestroyedWhileFlashing();
};

void tst_ZtFlash::flashesThreeTimesThenFocuses()
{
    QWidget w;
    auto *a = new QLineEdit(&w);
    auto *b = new QLineEdit(&w);
    auto *lay = new QVBoxLayout(&w);
    lay->addWidget(a);
    lay->addWidget(b);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    a->setFocus();
    const QColor normal = b->palette().color(QPalette::Base);

    FlashControl(b);
    // Red phases seen while it runs, sampled faster than the 150 ms steps.
    int redPhases = 0;
    bool wasRed = false;
    QElapsedTimer t;
    t.start();
    while (IsFlashing(b) && t.elapsed() < 10000) {
        const bool red = IsFlashRed(b);
        if (red) {
            QCOMPARE(b->palette().color(QPalette::Base), QColor(Qt::red));
        }
        if (red && !wasRed)
            ++redPhases;
        wasRed = red;
        QTest::qWait(10);
    }
    QVERIFY(!IsFlashing(b));
    QVERIFY(t.elapsed() >= 5 * 150);
    QCOMPARE(redPhases, 3);
    QCOMPARE(b->palette().color(QPalette::Base), normal);
    QCOMPARE(QApplication::focusWidget(), b);
}

void tst_ZtFlash::fieldDestroyedWhileFlashing()
{
    QPointer<QLineEdit> e = new QLineEdit;
    e->show();
    FlashControl(e);
    QVERIFY(IsFlashRed(e));
    delete e;
    QTest::qWait(400); // the flashing ends with its field, without touching it
    QVERIFY(e.isNull());
}

QTEST_MAIN(tst_ZtFlash)
#include "tst_ZtFlash.moc"
