#include "period_request_form.h"
#include "ZtFlash.h"
#include "common.h"

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>
#include <QtTest>

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

QTEST_MAIN(tst_period_request_form)
#include "tst_period_request_form.moc"
