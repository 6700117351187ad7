#include "period_request_form.h"
#include "AccountClock.h"
#include "ZtFlash.h"
#include "common.h"

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>
#include <QtTest>

#include <ctime>
#include <functional>

class tst_period_request_form : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    static QString text(TDateTime v) { return FormatDateTimeDef(QStringLiteral("dd.mm.yyyy hh:nn:ss.zzz"), v); }

    // Runs action on the modal dialog as soon as it shows.
    static void whenShown(const std::function<void(TPeriodRequestForm *)> &action)
    {
        QTimer::singleShot(0, [action] {
            auto *d = qobject_cast<TPeriodRequestForm *>(QApplication::activeModalWidget());
            QVERIFY(d);
            action(d);
        });
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        IniFile.Open(dir.filePath("settings.ini"));
    }
    void quickPeriods_data();
    void quickPeriods();
    void okNeedsEndAfterStart_data();
    void okNeedsEndAfterStart();
    void quickButtonClosesWhenAsked();
    void handEditDropsButtonCaption();
    void lastPeriodRemembered();
    void accountClockRulesButtonsAndDefault_data();
    void accountClockRulesButtonsAndDefault();
};

void tst_period_request_form::quickPeriods_data()
{
    QTest::addColumn<QString>("sign");
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addRow("-6 Hours across midnight") << "-6 Hours" << "02.01.2025 03:00:00" << "01.01.2025 21:00:00.000"
                                              << "02.01.2025 03:00:00.000";
    QTest::addRow("Today") << "Today" << "03.03.2025 15:00:00" << "03.03.2025 00:00:00.000" << "03.03.2025 23:59:59.914";
    QTest::addRow("Pre-yest-day on 3 March") << "Pre-yest-day" << "03.03.2025 15:00:00" << "01.03.2025 00:00:00.000"
                                             << "01.03.2025 23:59:59.914";
    QTest::addRow("Pre-yest-day on 3 March, leap year") << "Pre-yest-day" << "03.03.2024 00:00:00"
                                                        << "01.03.2024 00:00:00.000" << "01.03.2024 23:59:59.914";
    QTest::addRow("Week on a Sunday") << "Week" << "09.03.2025 12:00:00" << "03.03.2025 00:00:00.000"
                                      << "10.03.2025 00:00:00.000";
    QTest::addRow("Pre-week on a Monday") << "Pre-week" << "10.03.2025 00:30:00" << "03.03.2025 00:00:00.000"
                                          << "10.03.2025 00:00:00.000";
    QTest::addRow("Month of February") << "Month" << "15.02.2024 12:00:00" << "01.02.2024 00:00:00.000"
                                       << "01.03.2024 00:00:00.000";
    QTest::addRow("Pre-month on 31 March") << "Pre-month" << "31.03.2025 12:00:00" << "01.02.2025 00:00:00.000"
                                           << "01.03.2025 00:00:00.000";
    QTest::addRow("Pre-month in January") << "Pre-month" << "01.01.2025 08:00:00" << "01.12.2024 00:00:00.000"
                                          << "01.01.2025 00:00:00.000";
    QTest::addRow("Quarter on 15 May") << "Quarter" << "15.05.2025 12:00:00" << "01.04.2025 00:00:00.000"
                                       << "01.07.2025 00:00:00.000";
    QTest::addRow("Quarter on 31 December") << "Quarter" << "31.12.2025 23:00:00" << "01.10.2025 00:00:00.000"
                                            << "01.01.2026 00:00:00.000";
}

void tst_period_request_form::quickPeriods()
{
    QFETCH(QString, sign);
    QFETCH(QString, now);
    QFETCH(QString, from);
    QFETCH(QString, to);
    TDateTime dt1 = 0, dt2 = 0;
    QVERIFY(TPeriodRequestForm::QuickPeriod(sign, ParseDateTime(now), dt1, dt2));
    QCOMPARE(text(dt1), from);
    QCOMPARE(text(dt2), to);

    // The pickers hold what the button set, to the millisecond.
    TPeriodRequestForm f;
    f.SetDt1(dt1);
    f.SetDt2(dt2);
    QCOMPARE(text(f.GetDt1()), from);
    QCOMPARE(text(f.GetDt2()), to);
}

void tst_period_request_form::okNeedsEndAfterStart_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("accepted");
    QTest::addRow("end one second after start") << "01.03.2025 10:00:00" << "01.03.2025 10:00:01" << true;
    QTest::addRow("end equal to start") << "01.03.2025 10:00:00" << "01.03.2025 10:00:00" << false;
    QTest::addRow("end a day before start") << "02.03.2025 10:00:00" << "01.03.2025 10:00:00" << false;
}

void tst_period_request_form::okNeedsEndAfterStart()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, accepted);
    TPeriodRequestForm f;
    f.SetDt1(ParseDateTime(from));
    f.SetDt2(ParseDateTime(to));
    bool stayedOpen = false;
    whenShown([&](TPeriodRequestForm *d) {
        QTest::mouseClick(d->ButOk, Qt::LeftButton);
        stayedOpen = d->isVisible();
        if (stayedOpen) {
            // The user sees why, the end field flashes, and the dialog still works.
            QVERIFY(d->LblWarning->isVisible());
            QVERIFY(IsFlashing(d->DtpDate2));
            QTest::mouseClick(d->ButCancel, Qt::LeftButton);
        }
    });
    QCOMPARE(f.DoRequest(), accepted);
    QCOMPARE(stayedOpen, !accepted);
}

void tst_period_request_form::quickButtonClosesWhenAsked()
{
    TPeriodRequestForm f;
    whenShown([](TPeriodRequestForm *d) { QTest::mouseClick(d->QuickButton("Yesterday"), Qt::LeftButton); });
    QVERIFY(f.DoRequest(true));
    QCOMPARE(f.GetSign(), QStringLiteral("Yesterday"));
    const QDate yesterday = QDate::currentDate().addDays(-1);
    QCOMPARE(DateTimeToQDateTime(f.GetDt1()), QDateTime(yesterday, QTime(0, 0)));
    QCOMPARE(f.DtpDate2->date(), yesterday);

    // Without the flag a quick button only fills the pickers.
    bool open = false;
    whenShown([&](TPeriodRequestForm *d) {
        QTest::mouseClick(d->QuickButton("-1 Hour"), Qt::LeftButton);
        open = d->isVisible();
        QTest::mouseClick(d->ButOk, Qt::LeftButton);
    });
    QVERIFY(f.DoRequest(false));
    QVERIFY(open);
    QCOMPARE(f.GetSign(), QStringLiteral("-1 Hour"));
    QCOMPARE(qRound((f.GetDt2() - f.GetDt1()) * 86400), 3600);
}

void tst_period_request_form::handEditDropsButtonCaption()
{
    TPeriodRequestForm f;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTest::mouseClick(f.QuickButton("Today"), Qt::LeftButton);
    QCOMPARE(f.GetSign(), QStringLiteral("Today"));
    // The user steps the start hour up: the caption no longer fits, and the
    // sign becomes the period's length.
    f.DtpTime1->setFocus();
    f.DtpTime1->setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClick(f.DtpTime1, Qt::Key_Up);
    QCOMPARE(f.DtpTime1->time(), QTime(1, 0));
    QCOMPARE(f.GetSign(), QStringLiteral("22h 59m 59s"));
}

void tst_period_request_form::lastPeriodRemembered()
{
    IniFile.EraseSection("Period");
    {
        TPeriodRequestForm f;
        // Nothing remembered: today 06:00 to 12:00 is offered.
        whenShown([](TPeriodRequestForm *d) {
            QCOMPARE(d->DtpTime1->time(), QTime(6, 0));
            QCOMPARE(d->DtpTime2->time(), QTime(12, 0));
            QCOMPARE(d->DtpDate1->date(), QDate::currentDate());
            d->SetDt1(ParseDateTime("05.02.2025 07:30:00"));
            d->SetDt2(ParseDateTime("06.02.2025 08:45:10"));
            QTest::mouseClick(d->ButOk, Qt::LeftButton);
        });
        QVERIFY(f.DoRequest());
    }
    QCOMPARE(text(IniFile.ReadDateTime("Period", "Dt1")), QStringLiteral("05.02.2025 07:30:00.000"));
    TPeriodRequestForm again;
    QCOMPARE(text(again.GetDt1()), QStringLiteral("05.02.2025 07:30:00.000"));
    QCOMPARE(text(again.GetDt2()), QStringLiteral("06.02.2025 08:45:10.000"));
    QCOMPARE(again.GetSign(), QStringLiteral("25h 15m 10s"));
}

void tst_period_request_form::accountClockRulesButtonsAndDefault_data()
{
    QTest::addColumn<QByteArray>("computerZone"); // TZ
    QTest::addColumn<int>("accountHours");        // east of UTC
    QTest::addColumn<bool>("otherDay");           // the two dates always differ
    QTest::addRow("computer UTC, account UTC+5") << QByteArray("UTC") << 5 << false;
    QTest::addRow("computer UTC, account UTC+9") << QByteArray("UTC") << 9 << false;
    QTest::addRow("computer UTC+9, account UTC-5") << QByteArray("Etc/GMT-9") << -5 << false;
    QTest::addRow("computer UTC+14, account UTC-12") << QByteArray("Etc/GMT-14") << -12 << true;
    QTest::addRow("computer UTC-12, account UTC+14") << QByteArray("Etc/GMT+12") << 14 << true;
    QTest::addRow("computer and account UTC+5") << QByteArray("Etc/GMT-5") << 5 << false;
}

// The quick buttons and the first-use default read the account's clock,
// whatever zone the computer is in.
void tst_period_request_form::accountClockRulesButtonsAndDefault()
{
    QFETCH(QByteArray, computerZone);
    QFETCH(int, accountHours);
    QFETCH(bool, otherDay);
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

    const QDateTime accountWall = QDateTime::currentDateTimeUtc().addSecs(accountHours * 3600);
    const QDate accountToday = accountWall.date();
    const TDateTime accountNow = QDateTimeToDateTime(QDateTime(accountWall.date(), accountWall.time()));
    if (otherDay)
        QVERIFY(accountToday != QDate::currentDate());

    IniFile.EraseSection("Period");
    TPeriodRequestForm f;
    whenShown([&](TPeriodRequestForm *d) {
        // A failed check must not leave the dialog open.
        bool done = false;
        const auto close = qScopeGuard([&] {
            if (!done)
                d->reject();
        });
        // First use: the morning of the account's today.
        QCOMPARE(d->DtpDate1->date(), accountToday);
        QCOMPARE(d->DtpDate2->date(), accountToday);
        QCOMPARE(d->DtpTime1->time(), QTime(6, 0));

        QTest::mouseClick(d->QuickButton("-3 Hours"), Qt::LeftButton);
        QVERIFY2(std::abs(d->GetDt2() - accountNow) * 86400 < 120, qPrintable(text(d->GetDt2())));
        QCOMPARE(qRound((d->GetDt2() - d->GetDt1()) * 24), 3);

        QTest::mouseClick(d->QuickButton("Today"), Qt::LeftButton);
        QCOMPARE(d->DtpDate1->date(), accountToday);
        QCOMPARE(d->DtpTime1->time(), QTime(0, 0));

        QTest::mouseClick(d->QuickButton("Yesterday"), Qt::LeftButton);
        QCOMPARE(d->DtpDate1->date(), accountToday.addDays(-1));
        done = true;
        QTest::mouseClick(d->ButOk, Qt::LeftButton);
    });
    QVERIFY(f.DoRequest());
    QCOMPARE(DateTimeToQDateTime(f.GetDt1()), QDateTime(accountToday.addDays(-1), QTime(0, 0)));
}

QTEST_MAIN(tst_period_request_form)
#include "tst_period_request_form.moc"
