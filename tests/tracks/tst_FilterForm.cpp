#include "TracksTestSupport.h"
#include "ZtFlash.h"
#include "filter_track_form.h"
#include "kalman_filter.h"
#include "median_filter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

class tst_FilterForm : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
    }
    void init() { ResetSettings(fDir.filePath(QStringLiteral("f.ini")), QString()); }

    void limits_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::addColumn<QString>("sign");
        QTest::addColumn<QString>("field"); // the field that flashes on a refusal
        QTest::addRow("median 2 too small") << 0 << "2" << "" << "" << "Window size too small" << "" << "EdSize";
        QTest::addRow("median 3") << 0 << "3" << "" << "" << "" << "median-3" << "";
        QTest::addRow("median 16") << 0 << "16" << "" << "" << "" << "median-16" << "";
        QTest::addRow("median 17 too large") << 0 << "17" << "" << "" << "Window size too large [17], max=16" << ""
                                             << "EdSize";
        QTest::addRow("kalman defaults") << 1 << "" << "0.001" << "0.2" << "" << "kalman-0.0010-0.20" << "";
        QTest::addRow("kalman comma") << 1 << "" << "0,01" << "1" << "" << "kalman-0.0100-1.00" << "";
        QTest::addRow("kalman speed 0.01") << 1 << "" << "0.5" << "0.01" << "" << "kalman-0.5000-0.01" << "";
        QTest::addRow("kalman error unreadable") << 1 << "" << "abc" << "0.2" << "Error too small [0.00]" << ""
                                                 << "EdMeasureError";
        QTest::addRow("kalman error 0") << 1 << "" << "0" << "0.2" << "Error too small [0.00]" << ""
                                        << "EdMeasureError";
        QTest::addRow("kalman speed 0") << 1 << "" << "0.001" << "0" << "Speed too small [0.00]" << ""
                                        << "EdMeasureSpeed";
        QTest::addRow("kalman speed 1.5") << 1 << "" << "0.001" << "1.5" << "Speed too large [1.50]" << ""
                                          << "EdMeasureSpeed";
    }
    void limits()
    {
        QFETCH(int, tab);
        QFETCH(QString, size);
        QFETCH(QString, error);
        QFETCH(QString, speed);
        QFETCH(QString, message);
        QFETCH(QString, sign);
        QFETCH(QString, field);
        MessageBoxCloser boxes;
        TFilterForm f;
        f.PageControl->setCurrentIndex(tab);
        f.EdSize->setText(size);
        // Typed as the user types: the field drops what is no number.
        f.EdMeasureError->clear();
        f.EdMeasureError->setText(error);
        f.EdMeasureSpeed->setText(speed);
        f.show();
        QTest::mouseClick(f.ButOk, Qt::LeftButton);
        if (message.isEmpty()) {
            QCOMPARE(f.result(), int(QDialog::Accepted));
            QVERIFY(boxes.texts().isEmpty());
            QCOMPARE(f.CreateFilter()->Sign(), sign);
        } else {
            QVERIFY(f.isVisible());
            QCOMPARE(f.LastError(), message);
            QCOMPARE(boxes.texts(), QStringList{message});
            // The refused field flashes on the shared timer, which is still
            // running when the click has returned: no loop of the dialog's
            // own waited for it.
            auto *edit = f.findChild<QLineEdit *>(field);
            QVERIFY(edit);
            QVERIFY(IsFlashing(edit));
            QTRY_VERIFY(!IsFlashing(edit));
            QVERIFY(!IsFlashRed(edit));
        }
    }

    void keysOnlyNumberCharacters()
    {
        TFilterForm f;
        f.PageControl->setCurrentIndex(1);
        f.show();
        f.EdMeasureError->clear();
        QTest::keyClicks(f.EdMeasureError, QStringLiteral("-0a,5x"));
        QCOMPARE(f.EdMeasureError->text(), QStringLiteral("0,5"));
    }

    void choicesAreRemembered()
    {
        {
            TFilterForm f;
            QCOMPARE(f.PageControl->currentIndex(), 0);
            QCOMPARE(f.EdSize->text(), QStringLiteral("3"));
            QCOMPARE(f.CbTrackStyle->currentIndex(), 3);
            f.PageControl->setCurrentIndex(1);
            f.EdMeasureSpeed->setText(QStringLiteral("0.5"));
        }
        TFilterForm g;
        QCOMPARE(g.PageControl->currentIndex(), 1);
        QCOMPARE(g.EdMeasureSpeed->text(), QStringLiteral("0.5"));
        QCOMPARE(g.EdMeasureError->text(), QStringLiteral("0.001"));
    }
};

QTEST_MAIN(tst_FilterForm)
#include "tst_FilterForm.moc"
