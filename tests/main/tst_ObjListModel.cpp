#include "ObjListModel.h"

#include "OSM.ObjectInfo.h"

#include <QItemSelectionModel>
#include <QTest>

class tst_ObjListModel : public QObject
{
    Q_OBJECT

    static std::unique_ptr<TObjectInfo> obj(int uid, const QString &name, bool deleted = false)
    {
        auto o = std::make_unique<TObjectInfo>(uid, QString::number(uid));
        o->name = name;
        o->is_deleted = deleted;
        return o;
    }

private Q_SLOTS:
    void compareNodes_data()
    {
        QTest::addColumn<int>("uidA");
        QTest::addColumn<QString>("nameA");
        QTest::addColumn<int>("uidB");
        QTest::addColumn<QString>("nameB");
        QTest::addColumn<int>("sign");
        QTest::addRow("by name") << 1 << "Alpha" << 2 << "Beta" << -1;
        QTest::addRow("ordinal: capitals first") << 1 << "Zed" << 2 << "alpha" << -1;
        QTest::addRow("same name") << 1 << "Van" << 2 << "Van" << 0;
        QTest::addRow("group after any object") << 0 << "Deleted" << 2 << "Zzz" << 1;
        QTest::addRow("object before the group") << 2 << "Aaa" << 0 << "Deleted" << -1;
        QTest::addRow("two groups equal") << 0 << "A" << 0 << "B" << 0;
    }
    void compareNodes()
    {
        QFETCH(int, uidA);
        QFETCH(QString, nameA);
        QFETCH(int, uidB);
        QFETCH(QString, nameB);
        QFETCH(int, sign);
        const int c = TObjListModel::CompareNodes(obj(uidA, nameA).get(), obj(uidB, nameB).get());
        QCOMPARE((c > 0) - (c < 0), sign);
        QCOMPARE(TObjListModel::CompareNodes(nullptr, obj(1, "x").get()), 0);
    }

    void deletedGroupAndSortKeepSelection()
    {
        std::vector<std::unique_ptr<TObjectInfo>> objs;
        objs.push_back(obj(3, "Van", true));
        objs.push_back(obj(1, "Taxi"));
        objs.push_back(obj(2, "Anna"));
        TObjListModel m;
        for (auto &o : objs)
            m.AddObject(o.get());
        // Rows keep the client's order; the deleted object sits in its group.
        QCOMPARE(m.rowCount(), 3);
        const QModelIndex group = m.DeletedGroup();
        QCOMPARE(group.row(), 0);
        QCOMPARE(m.data(group).toString(), QStringLiteral("Deleted"));
        QVERIFY(!m.data(group, Qt::CheckStateRole).isValid());
        QVERIFY(!(m.flags(group) & Qt::ItemIsUserCheckable));
        QCOMPARE(m.Object(m.index(0, 0, group))->uid, 3);

        QItemSelectionModel sel(&m);
        sel.setCurrentIndex(m.FindUid(1), QItemSelectionModel::ClearAndSelect);
        TObjectInfo *const *cell = m.DataCell(m.FindUid(1));
        m.sort(0);
        QCOMPARE(m.Object(m.index(0, 0))->name, QStringLiteral("Anna"));
        QCOMPARE(m.Object(m.index(1, 0))->name, QStringLiteral("Taxi"));
        QCOMPARE(m.index(2, 0), m.DeletedGroup());
        QCOMPARE(m.Object(sel.currentIndex())->uid, 1);
        // Data cells move with their rows.
        QCOMPARE(m.IndexOfDataCell(cell), m.FindUid(1));
    }

    void rowText()
    {
        auto o = obj(5, "Taxi");
        o->last_point->sys_dt = EncodeDateTime(2025, 12, 8, 12, 0, 5);
        QCOMPARE(TObjListModel::RowText(o.get()), QStringLiteral("Taxi\n08.12.2025 12:00:05"));
        QCOMPARE(TObjListModel::RowText(obj(0, "Deleted").get()), QStringLiteral("Deleted"));
        // A line break in a name would need a third line that no row has.
        auto broken = obj(6, "Taxi\r\nnight");
        broken->last_point->sys_dt = EncodeDateTime(2025, 12, 8, 12, 0, 5);
        QCOMPARE(TObjListModel::RowText(broken.get()), QStringLiteral("Taxi night\n08.12.2025 12:00:05"));
    }
};

QTEST_GUILESS_MAIN(tst_ObjListModel)
#include "tst_ObjListModel.moc"
