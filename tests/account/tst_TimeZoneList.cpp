#include "TimeZoneList.h"

#include <QtTest>

class tst_TimeZoneList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entries_data();
    void entries();
    void unreadableEntryIsZero_data();
    void unreadableEntryIsZero();
    void listWithoutRepeatsSorted();
    void lookups();
};

void tst_TimeZoneList::entries_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("text");
    QTest::addRow("UTC") << 0 << "UTC+00:00";
    QTest::addRow("east") << 180 << "UTC+03:00";
    QTest::addRow("west") << -300 << "UTC-05:00";
    QTest::addRow("east, minutes") << 345 << "UTC+05:45";
    QTest::addRow("west, minutes") << -210 << "UTC-03:30";
    QTest::addRow("far east") << 840 << "UTC+14:00";
}

void tst_TimeZoneList::entries()
{
    QFETCH(int, minutes);
    QFETCH(QString, text);
    QCOMPARE(TTimeZoneList::EntryText(minutes), text);
    // Read back with its direction.
    QCOMPARE(TTimeZoneList::EntryValue(text), minutes);
}

void tst_TimeZoneList::unreadableEntryIsZero_data()
{
    QTest::addColumn<QString>("text");
    QTest::addRow("empty") << "";
    QTest::addRow("no sign") << "UTC03:00";
    QTest::addRow("GMT") << "GMT+03:00";
    QTest::addRow("no minutes") << "UTC+03";
}

void tst_TimeZoneList::unreadableEntryIsZero()
{
    QFETCH(QString, text);
    QCOMPARE(TTimeZoneList::EntryValue(text), 0);
}

void tst_TimeZoneList::listWithoutRepeatsSorted()
{
    const QStringList l = TTimeZoneList::FromOffsets({180, -300, 0, 180, 60, -300});
    QCOMPARE(l, (QStringList{"UTC+00:00", "UTC+01:00", "UTC+03:00", "UTC-05:00"}));
    // The system's list holds at least UTC and the local zone.
    const QStringList sys = TTimeZoneList::Build();
    QVERIFY(sys.contains("UTC+00:00"));
    QVERIFY(sys.size() > 20);
}

void tst_TimeZoneList::lookups()
{
    const QStringList l{"UTC+00:00", "UTC+03:00", "UTC-03:00"};
    QCOMPARE(TTimeZoneList::IndexOfDays(l, 0.125), 1);
    QCOMPARE(TTimeZoneList::IndexOfDays(l, -0.125), 2);
    QCOMPARE(TTimeZoneList::IndexOfDays(l, 0.1255), 1);
    QCOMPARE(TTimeZoneList::IndexOfDays(l, 0.127), -1);
    QCOMPARE(TTimeZoneList::IndexOfMinutes(l, -180), 2);
    QCOMPARE(TTimeZoneList::IndexOfMinutes(l, 60), -1);
}

QTEST_GUILESS_MAIN(tst_TimeZoneList)
#include "tst_TimeZoneList.moc"
