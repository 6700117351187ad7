#include "OSM.GeoTrack.h"
#include "TracksTestSupport.h"
#include "ZtTtyBox.h"
#include "track_parser.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

namespace {
QString Write(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString fn = dir.filePath(name);
    QFile f(fn);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
    return fn;
}

const QByteArray ThreeRows("time;lat;lon;alt\n"
                           "14.11.2023 22:13:20;57.99;56.27;100\n"
                           "14.11.2023 22:13:50;57.991;56.271;101\n"
                           "14.11.2023 22:14:20;57.992;56.272;102\n");
const QByteArray OneRow("lon;lat;time\n37.61;55.75;01.02.2024 10:00:00\n");
} // namespace

class tst_track_parser : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
    }

    // Another file replaces the rows on screen and in the track; the same
    // file again keeps the lines loaded before.
    void anotherFileClearsTheTable()
    {
        const QString a = Write(fDir, QStringLiteral("a.csv"), ThreeRows);
        const QString b = Write(fDir, QStringLiteral("b.csv"), OneRow);
        TTrackParser w(0);
        w.show();
        QVERIFY(w.ParseSource(a));
        QCOMPARE(w.TrackData->model()->rowCount(), 3);
        QCOMPARE(w.FileFields[TTrackImport::fdAltitude]->currentText(), QStringLiteral("alt"));
        QCOMPARE(w.EdSign->text(), QStringLiteral("a.csv"));
        w.SetFileName(b);
        QCOMPARE(w.TrackData->model()->rowCount(), 0);
        QVERIFY(w.ParseSource());
        QCOMPARE(w.TrackData->model()->rowCount(), 1);
        QCOMPARE(w.TrackData->model()->index(0, 1).data().toString(), QStringLiteral("55.75"));
        QCOMPARE(w.FileFields[TTrackImport::fdLatitude]->currentIndex(), 1);
        QCOMPARE(w.FileFields[TTrackImport::fdAltitude]->currentIndex(), -1);
        QTest::mouseClick(w.SbMakeTrack, Qt::LeftButton);
        auto t = w.GetTrack();
        QVERIFY(t);
        QCOMPARE(t->Points().size(), size_t(1));
        QCOMPARE(t->Points()[0]->lat, 55.75);
        QCOMPARE(t->Sign(), QStringLiteral("a.csv")); // the label typed first stays
        Write(fDir, QStringLiteral("b.csv"), ThreeRows);
        QVERIFY(w.ParseSource(b));
        QCOMPARE(w.TrackData->model()->rowCount(), 1);
    }

    // "Separator:" takes a typed Tab (a Tab-separated file is common);
    // Shift+Tab still moves back, and the typed Tab cuts the columns.
    void separatorTakesATypedTab_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("staysInField");
        QTest::addRow("Tab") << int(Qt::NoModifier) << "\t" << true;
        QTest::addRow("Shift+Tab") << int(Qt::ShiftModifier) << "" << false;
    }
    void separatorTakesATypedTab()
    {
        QFETCH(int, modifiers);
        QFETCH(QString, typed);
        QFETCH(bool, staysInField);
        TTrackParser w(0);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.EdSeparator->clear();
        w.EdSeparator->setFocus();
        QTRY_VERIFY(w.EdSeparator->hasFocus());
        if (modifiers == Qt::ShiftModifier)
            QTest::keyClick(w.EdSeparator, Qt::Key_Backtab, Qt::ShiftModifier);
        else
            QTest::keyClick(w.EdSeparator, Qt::Key_Tab);
        QCOMPARE(w.EdSeparator->text(), typed);
        QCOMPARE(w.EdSeparator->hasFocus(), staysInField);
        if (typed.isEmpty())
            return;
        QVERIFY(w.ParseSource(Write(fDir, QStringLiteral("tab.csv"),
                                    "time\tlat\tlon\n14.11.2023 22:13:20\t57.99\t56.27\n")));
        QCOMPARE(w.Import().ColumnCount(), 3);
        QCOMPARE(w.FileFields[TTrackImport::fdLongitude]->currentIndex(), 2);
    }

    // OK without "Make track" makes the track from the table.
    void okMakesTheTrack()
    {
        const QString fn = Write(fDir, QStringLiteral("e.csv"), ThreeRows);
        TTrackParser w(0);
        QTimer::singleShot(0, &w, [&] { QTest::mouseClick(w.ButOk, Qt::LeftButton); });
        QCOMPARE(w.ParseModal(fn), 1);
        auto t = w.GetTrack();
        QVERIFY(t);
        QCOMPARE(t->Points().size(), size_t(3));
    }

    void clearedFieldFailsTheTrack()
    {
        TTrackParser w(0);
        w.show();
        QVERIFY(w.ParseSource(Write(fDir, QStringLiteral("c.csv"), ThreeRows)));
        auto *clear = w.findChildren<QToolButton *>().at(0);
        for (QToolButton *b : w.findChildren<QToolButton *>())
            if (b->property("Tag").toInt() == TTrackImport::fdLatitude && b->property("Tag").isValid())
                clear = b;
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(w.FileFields[TTrackImport::fdLatitude]->currentIndex(), -1);
        QVERIFY(!w.MakeTrack());
        QVERIFY(!w.GetTrack());
        QVERIFY(w.LogBox->toPlainText().contains(QStringLiteral("X[1]: no data")));
    }

    void parseModalHandsOverTheTrackOnOk()
    {
        const QString fn = Write(fDir, QStringLiteral("d.csv"), ThreeRows);
        TTrackParser w(0);
        QTimer::singleShot(0, &w, [&] {
            // Parsed when shown: the table is on screen.
            QCOMPARE(w.TrackData->model()->rowCount(), 3);
            QTest::mouseClick(w.SbMakeTrack, Qt::LeftButton);
            w.grab().save(TestPaths::artifactsDir() + QStringLiteral("/track_parser.png"));
            QTest::mouseClick(w.ButOk, Qt::LeftButton);
        });
        QCOMPARE(w.ParseModal(fn), 1);
        auto t = w.GetTrack();
        QVERIFY(t);
        QCOMPARE(t->Points().size(), size_t(3));
        QVERIFY(t->Info().Distance > 100);
        QVERIFY(w.LogBox->toPlainText().contains(QStringLiteral("== 3 track points")));
    }
};

QTEST_MAIN(tst_track_parser)
#include "tst_track_parser.moc"
