#include "RichHintForm.h"

#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QtTest>

class tst_RichHintForm : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showsTextAtPoint();
    void closesOnAnyKey_data();
    void closesOnAnyKey();
    void closesWhenFocusLeaves();
};

void tst_RichHintForm::showsTextAtPoint()
{
    QWidget owner;
    owner.show();
    const QRect wa = owner.screen()->availableGeometry();
    QPointer<TRichHintForm> f = TRichHintForm::Popup("Line one\nline two", wa.topLeft() + QPoint(30, 40), &owner);
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QVERIFY(f->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(f->Text(), QStringLiteral("Line one\nline two"));
    QCOMPARE(f->pos(), wa.topLeft() + QPoint(30, 40));
    QVERIFY(f->width() >= 100);
    // Two lines are taller than one.
    QPointer<TRichHintForm> one = TRichHintForm::Popup("x", wa.topLeft(), &owner);
    QVERIFY(f->height() > one->height());
    QCOMPARE(one->width(), qRound(100 * one->screen()->logicalDotsPerInch() / 96.0));
    one->close();

    // Near the screen's edge it is pushed back inside.
    QPointer<TRichHintForm> edge = TRichHintForm::Popup("edge", wa.bottomRight(), &owner);
    QVERIFY(wa.contains(edge->frameGeometry()));
    edge->close();
    f->close();
}

void tst_RichHintForm::closesOnAnyKey_data()
{
    QTest::addColumn<int>("key");
    QTest::addRow("Escape") << int(Qt::Key_Escape);
    QTest::addRow("letter") << int(Qt::Key_A);
    QTest::addRow("Shift") << int(Qt::Key_Shift);
}

void tst_RichHintForm::closesOnAnyKey()
{
    QFETCH(int, key);
    QWidget owner;
    owner.show();
    QPointer<TRichHintForm> f = TRichHintForm::Popup("help", QPoint(10, 10), &owner);
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QTest::keyClick(f.data(), Qt::Key(key));
    // Closed and freed.
    QTRY_VERIFY(f.isNull());
}

void tst_RichHintForm::closesWhenFocusLeaves()
{
    QWidget owner;
    owner.show();
    QPointer<TRichHintForm> f = TRichHintForm::Popup("help", QPoint(10, 10), &owner);
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(f.data(), &out);
    QTRY_VERIFY(f.isNull());
}

QTEST_MAIN(tst_RichHintForm)
#include "tst_RichHintForm.moc"
