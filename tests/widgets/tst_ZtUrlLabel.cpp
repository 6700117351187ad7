#include "ZtUrlLabel.h"

#include <QDesktopServices>
#include <QSignalSpy>
#include <QtTest>

// Stands in for the desktop's browser: records what the shell was asked to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

class tst_ZtUrlLabel : public QObject
{
    Q_OBJECT
    UrlCatcher catcher;

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init() { catcher.opened.clear(); }
    void looksLikeALink();
    void clickOpens_data();
    void clickOpens();
    void releaseOutsideIsNoClick();
};

void tst_ZtUrlLabel::initTestCase()
{
    for (const char *scheme : {"http", "https", "mailto", "file"})
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");
}

void tst_ZtUrlLabel::cleanupTestCase()
{
    for (const char *scheme : {"http", "https", "mailto", "file"})
        QDesktopServices::unsetUrlHandler(scheme);
}

void tst_ZtUrlLabel::looksLikeALink()
{
    QCursor::setPos(QPoint(700, 500));
    TZtUrlLabel l;
    l.setText("site");
    l.resize(100, 20);
    l.show();
    QVERIFY(QTest::qWaitForWindowExposed(&l));
    QVERIFY(l.font().underline());
    QCOMPARE(l.cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(l.CurrentColor(), QColor(Qt::blue));
    QCOMPARE(l.palette().color(QPalette::WindowText), QColor(Qt::blue));
    QTest::mousePress(&l, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(l.palette().color(QPalette::WindowText), QColor(Qt::red));
    QTest::mouseRelease(&l, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(l.palette().color(QPalette::WindowText), QColor(Qt::blue));
    // Red while the mouse is over it.
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), l.mapToGlobal(QPointF(10, 10)));
    QCoreApplication::sendEvent(&l, &enter);
    QCOMPARE(l.palette().color(QPalette::WindowText), QColor(Qt::red));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&l, &leave);
    QCOMPARE(l.palette().color(QPalette::WindowText), QColor(Qt::blue));
}

void tst_ZtUrlLabel::clickOpens_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("opens");
    QTest::addRow("https site") << "https://velmora.example/" << true;
    QTest::addRow("mail address") << "mailto:support@velmora.example" << true;
    QTest::addRow("local file is not launched") << "file:///bin/sh" << false;
    QTest::addRow("no url") << "" << false;
}

void tst_ZtUrlLabel::clickOpens()
{
    QFETCH(QString, url);
    QFETCH(bool, opens);
    TZtUrlLabel l;
    l.setText("link");
    l.SetUrl(QUrl(url));
    l.resize(100, 20);
    l.show();
    QSignalSpy spy(&l, &TZtUrlLabel::clicked);
    QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), opens);
    QCOMPARE(catcher.opened, opens ? QList<QUrl>{QUrl(url)} : QList<QUrl>{});
}

void tst_ZtUrlLabel::releaseOutsideIsNoClick()
{
    TZtUrlLabel l;
    l.setText("link");
    l.SetUrl(QUrl("https://velmora.example/"));
    l.resize(100, 20);
    l.show();
    QSignalSpy spy(&l, &TZtUrlLabel::clicked);
    QTest::mousePress(&l, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&l, Qt::LeftButton, {}, QPoint(300, 10));
    QCOMPARE(spy.count(), 0);
    QVERIFY(catcher.opened.isEmpty());
    QTest::mouseClick(&l, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(spy.count(), 0);
}

QTEST_MAIN(tst_ZtUrlLabel)
#include "tst_ZtUrlLabel.moc"
