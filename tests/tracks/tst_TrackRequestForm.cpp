#include "OSM.ObjectInfo.h"
#include "AccountClock.h"
#include "TrackRequestForm.h"
#include "TracksTestSupport.h"
#include "ZtDates.h"
#include "period_request_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QToolButton>
#include <QPushButton>
#include <QTimeEdit>
#include <QtTest>

#include <cmath>

namespace {
const TDateTime SavedDt1 = EncodeDateTime(2024, 5, 3, 8, 15, 0);
const TDateTime SavedDt2 = EncodeDateTime(2024, 5, 4, 9, 30, 5);

// Runs the dialog; Act sees it while it is shown and ends it.
bool Run(TTrackRequestForm &f, const std::function<void(TTrackRequestForm &)> &Act)
{
    TObjectInfo o;
    o.name = QStringLiteral("Car");
    o.id = QStringLiteral("car-7");
    QTimer::singleShot(0, &f, [&] { Act(f); });
    return f.DoRequest(o);
}

bool Near(TDateTime a, TDateTime b) { return std::fabs(a - b) < 0.5 / 86400; }
} // namespace

class tst_TrackRequestForm : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
    }
    void init() { ResetSettings(fDir.filePath(QStringLiteral("t.ini")), QString()); }

    void firstUseOffersTheMorning()
    {
        const TDateTime today = std::floor(AccountNow());
        TDateTime shown1 = 0, shown2 = 0;
        {
            TTrackRequestForm f;
            QVERIFY(Run(f, [&](TTrackRequestForm &d) {
                shown1 = d.GetDt1();
                shown2 = d.GetDt2();
                QCOMPARE(d.ObjName->text(), QStringLiteral("Car"));
                QCOMPARE(d.ObjId->text(), QStringLiteral("car-7"));
                QCOMPARE(d.TrackStyleList->count(), 4);
                QCOMPARE(d.TrackStyleList->currentIndex(), 0);
                d.RequestSensorsCheckBox->setChecked(true);
                d.TrackStyleList->setCurrentIndex(2);
                QTest::mouseClick(d.ButOk, Qt::LeftButton);
            }));
            QVERIFY(Near(shown1, today + 0.25));
            QVERIFY(Near(shown2, today + 0.5));
            QCOMPARE(f.TrackSign(), QStringLiteral("six_hours"));
            QCOMPARE(f.GetTrackStyle(), 2);
            QVERIFY(f.GetRequestSensors());
            QVERIFY(!f.GetRequestBySysTime());
        }
        // Confirmed: remembered for the next request.
        QVERIFY(Near(IniFile.ReadDateTime(QStringLiteral("Track"), QStringLiteral("Dt1"), 0), today + 0.25));
        QCOMPARE(IniFile.ReadString(QStringLiteral("Track"), QStringLiteral("Sign")), QStringLiteral("six_hours"));
    }

    // The first period falls on the day of the present it is given (the
    // account's), which may differ from the computer's day.
    void firstUseFollowsTheGivenPresent()
    {
        const TDateTime accountNow = EncodeDateTime(2031, 1, 2, 23, 30, 0);
        TDateTime shown1 = 0;
        TTrackRequestForm f;
        f.SetNow(accountNow);
        QVERIFY(!Run(f, [&](TTrackRequestForm &d) {
            shown1 = d.GetDt1();
            d.reject();
        }));
        QVERIFY(Near(shown1, EncodeDateTime(2031, 1, 2, 6, 0, 0)));
    }

    void savedPeriodAndLabelAreReused()
    {
        IniFile.WriteDateTime(QStringLiteral("Track"), QStringLiteral("Dt1"), SavedDt1);
        IniFile.WriteDateTime(QStringLiteral("Track"), QStringLiteral("Dt2"), SavedDt2);
        IniFile.WriteString(QStringLiteral("Track"), QStringLiteral("Sign"), QStringLiteral("Yesterday"));
        TTrackRequestForm f;
        QVERIFY(Run(f, [](TTrackRequestForm &d) { QTest::mouseClick(d.ButOk, Qt::LeftButton); }));
        QVERIFY(Near(f.GetDt1(), SavedDt1));
        QVERIFY(Near(f.GetDt2(), SavedDt2));
        QCOMPARE(f.TrackSign(), QStringLiteral("Yesterday"));
    }

    // A period typed by hand is no longer the one its label named; Cancel
    // keeps what was saved.
    void handEditDropsLabelCancelSavesNothing()
    {
        IniFile.WriteDateTime(QStringLiteral("Track"), QStringLiteral("Dt1"), SavedDt1);
        IniFile.WriteDateTime(QStringLiteral("Track"), QStringLiteral("Dt2"), SavedDt2);
        IniFile.WriteString(QStringLiteral("Track"), QStringLiteral("Sign"), QStringLiteral("Yesterday"));
        {
            TTrackRequestForm f;
            QVERIFY(!Run(f, [](TTrackRequestForm &d) {
                d.Time2->setTime(QTime(23, 0));
                QVERIFY(d.TrackSign().isEmpty());
                QTest::mouseClick(d.ButCancel, Qt::LeftButton);
            }));
        }
        QVERIFY(Near(IniFile.ReadDateTime(QStringLiteral("Track"), QStringLiteral("Dt2"), 0), SavedDt2));
        QCOMPARE(IniFile.ReadString(QStringLiteral("Track"), QStringLiteral("Sign")), QStringLiteral("Yesterday"));
    }

    void startAfterEndWarnsAndStaysOpen()
    {
        MessageBoxCloser boxes;
        TTrackRequestForm f;
        bool stayed = false;
        QVERIFY(Run(f, [&](TTrackRequestForm &d) {
            d.SetDt1(SavedDt2);
            d.SetDt2(SavedDt1);
            QTest::mouseClick(d.ButOk, Qt::LeftButton);
            stayed = d.isVisible() && d.result() != QDialog::Accepted;
            d.SetDt2(SavedDt2 + 1);
            QTest::mouseClick(d.ButOk, Qt::LeftButton);
        }));
        QVERIFY(stayed);
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY(f.GetDt1() < f.GetDt2());
    }

    // The button opens the shared period dialog; its quick period and its
    // caption become the request's.
    void periodDialogSetsPeriodAndLabel()
    {
        TTrackRequestForm f;
        QVERIFY(Run(f, [](TTrackRequestForm &d) {
            QTimer::singleShot(50, [] {
                auto *p = qobject_cast<TPeriodRequestForm *>(QApplication::activeModalWidget());
                QVERIFY(p);
                QTest::mouseClick(p->QuickButton(QStringLiteral("Yesterday")), Qt::LeftButton);
                QTest::mouseClick(p->ButOk, Qt::LeftButton);
            });
            QTest::mouseClick(d.SbSelectPeriod, Qt::LeftButton);
            QTest::mouseClick(d.ButOk, Qt::LeftButton);
        }));
        const TDateTime today = std::floor(AccountNow());
        QVERIFY(Near(f.GetDt1(), today - 1));
        QCOMPARE(f.TrackSign(), QStringLiteral("Yesterday"));
    }

    void periodPickerReplacesPeriodAndLabel()
    {
        TTrackRequestForm f;
        f.SetPeriodPicker([](QWidget *, TDateTime &d1, TDateTime &d2, QString &sign) {
            d1 = SavedDt1;
            d2 = SavedDt2;
            sign = QStringLiteral("-3 Hours");
            return true;
        });
        QVERIFY(Run(f, [](TTrackRequestForm &d) {
            QTest::mouseClick(d.SbSelectPeriod, Qt::LeftButton);
            QTest::mouseClick(d.ButOk, Qt::LeftButton);
        }));
        QVERIFY(Near(f.GetDt1(), SavedDt1));
        QCOMPARE(f.TrackSign(), QStringLiteral("-3 Hours"));
    }
};

QTEST_MAIN(tst_TrackRequestForm)
#include "tst_TrackRequestForm.moc"
