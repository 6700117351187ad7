// The compact list behaves as the vector it stands in for, also while it
// holds no storage at all.
#include "ZtCompactList.h"

#include <QTest>

class TestZtCompactList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptyListIteratesNothing()
    {
        TZtCompactList<int> l;
        const TZtCompactList<int> &c = l;
        QVERIFY(l.empty());
        QCOMPARE(l.size(), size_t(0));
        QVERIFY(l.begin() == l.end());
        QVERIFY(c.begin() == c.end());
        QVERIFY(c.items().empty());
        int n = 0;
        for (const auto &x : l)
            n += *x;
        QCOMPARE(n, 0);
        l.reserve(0);
        QVERIFY(l.empty());
    }

    void keepsOrderAndOwnership()
    {
        TZtCompactList<int> l;
        for (int i = 1; i <= 3; ++i)
            l.push_back(std::make_unique<int>(i));
        QCOMPARE(l.size(), size_t(3));
        QCOMPARE(*l[0], 1);
        QCOMPARE(*l.back(), 3);
        QCOMPARE(l.items().size(), size_t(3));

        TZtCompactList<int> moved(std::move(l));
        QCOMPARE(moved.size(), size_t(3));
        QVERIFY(l.empty()); // NOLINT: a moved-from list is empty and usable
        l.push_back(std::make_unique<int>(9));
        QCOMPARE(*l.front(), 9);

        moved = std::vector<std::unique_ptr<int>>{};
        QVERIFY(moved.empty());
        moved.clear();
        QVERIFY(moved.begin() == moved.end());
    }
};

QTEST_GUILESS_MAIN(TestZtCompactList)
#include "tst_ZtCompactList.moc"
