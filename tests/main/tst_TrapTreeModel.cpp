// The trap tree: grouping by object, order, texts, what deleting a row
// selects, and the condition painted at the right end of a trap row.
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
#include "OSM.TripInfo.h"
#include "OSM.ZoneInfo.h"
#include "TrapListDelegate.h"
#include "TrapTreeModel.h"
#include "client.h"

#include <QApplication>
#include <QTest>
#include <QTreeView>

class tst_TrapTreeModel : public QObject
{
    Q_OBJECT

    // Objects Bravo (2) and Alpha (1), zone Home (5); traps of all objects,
    // of both objects, and of object 99 that the user does not see.
    static void fill(TVelmoraClient &c)
    {
        for (auto [uid, name] : {std::pair{2, "Bravo"}, std::pair{1, "Alpha"}}) {
            auto o = std::make_unique<TObjectInfo>();
            o->uid = uid;
            o->name = QString::fromLatin1(name);
            c.ObjList().push_back(std::move(o));
        }
        auto z = std::make_unique<TZoneInfo>();
        z->uid = 5;
        z->name = QStringLiteral("Home");
        c.ZoneList().push_back(std::move(z));
        struct T { int uid, obj; uint32_t type; int target, cond; const char *val; };
        for (const T &t : {T{10, 1, 5, 0, 1, "90"}, T{11, 2, 1, 5, 1, ""}, T{12, 0, 4, 0, 2, "10"},
                           T{13, 1, 1, 5, 2, ""}, T{14, 99, 5, 0, 1, "50"}, T{15, 1, 1, 6, 1, ""},
                           T{16, 1, 1, 5, 1, ""}}) {
            auto trap = std::make_unique<TTrapInfo>(t.uid, t.obj);
            trap->target_type_id = t.type;
            trap->target_id = t.target;
            trap->condition_id = t.cond;
            trap->val = QString::fromLatin1(t.val);
            trap->fObjInfo = c.FindObject(t.obj);
            trap->fZoneList = &c.ZoneList();
            c.TrapList().push_back(std::move(trap));
        }
    }

    static QStringList texts(const TTrapTreeModel &m, const QModelIndex &parent = QModelIndex())
    {
        QStringList out;
        for (int r = 0; r < m.rowCount(parent); ++r)
            out << m.index(r, 0, parent).data().toString();
        return out;
    }

private Q_SLOTS:
    void grouping()
    {
        TVelmoraClient c(QStringLiteral("http://127.0.0.1:1"), QString(), QString());
        fill(c);
        TTrapTreeModel m;
        const QModelIndex sel = m.Build(c, 13);
        QCOMPARE(texts(m), (QStringList{"GENERAL", "Alpha", "Bravo"}));
        QCOMPARE(m.Object(m.index(0, 0))->uid, 0);
        // Type, then target, then condition; a zone missing from the list
        // shows the type alone.
        QCOMPARE(texts(m, m.index(1, 0)), (QStringList{"Zone: Home", "Zone: Home", "Zone", "Speed"}));
        QCOMPARE(m.Trap(m.index(0, 0, m.index(1, 0)))->uid, 16);
        QCOMPARE(m.Trap(m.index(1, 0, m.index(1, 0)))->uid, 13);
        QCOMPARE(texts(m, m.index(0, 0)), QStringList{"Battery"});
        QVERIFY(!m.IndexOfTrap(14).isValid()); // object 99 is not listed
        QCOMPARE(m.Trap(sel)->uid, 13);
        QCOMPARE(m.index(3, 0, m.index(1, 0)).data(TTrapTreeModel::ConditionRole).toString(), QStringLiteral(">90"));
        QCOMPARE(m.index(0, 0, m.index(1, 0)).data(TTrapTreeModel::ZoneGlyphRole).toInt(), 1);
        QCOMPARE(m.index(1, 0, m.index(1, 0)).data(TTrapTreeModel::ZoneGlyphRole).toInt(), 2);
        QVERIFY(!m.Build(c, 0).isValid());
    }

    void removeSelects_data()
    {
        QTest::addColumn<int>("uid");
        QTest::addColumn<QString>("selected"); // trap uid, or the object row's text
        QTest::addRow("a middle row selects the one before") << 13 << "16";
        QTest::addRow("the first row selects the next") << 16 << "13";
        QTest::addRow("the only trap selects its object") << 11 << "Bravo";
        QTest::addRow("the only general trap selects GENERAL") << 12 << "GENERAL";
    }

    void removeSelects()
    {
        QFETCH(int, uid);
        QFETCH(QString, selected);
        TVelmoraClient c(QStringLiteral("http://127.0.0.1:1"), QString(), QString());
        fill(c);
        TTrapTreeModel m;
        m.Build(c, 0);
        const QModelIndex next = m.RemoveTrapRow(m.IndexOfTrap(uid));
        QVERIFY(!m.IndexOfTrap(uid).isValid());
        if (const TTrapInfo *t = m.Trap(next))
            QCOMPARE(QString::number(t->uid), selected);
        else
            QCOMPARE(next.data().toString(), selected);
        QCOMPARE(m.rowCount(), 3); // object rows stay
    }

    // The condition and the zone glyphs are drawn at the right end of the row.
    void paintsConditionAtRight()
    {
        TVelmoraClient c(QStringLiteral("http://127.0.0.1:1"), QString(), QString());
        fill(c);
        TTrapTreeModel m;
        m.Build(c, 0);
        QTreeView v;
        v.setModel(&m);
        v.setItemDelegate(new TTrapListDelegate(&v));
        v.setHeaderHidden(true);
        v.resize(300, 300);
        v.expandAll();
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        const QImage img = v.viewport()->grab().toImage();
        const auto inkAtRight = [&](const QModelIndex &i) {
            const QRect r = v.visualRect(i);
            int ink = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.right() - r.height(); x <= r.right(); ++x)
                    if (qGray(img.pixel(x, y)) < 128)
                        ++ink;
            return ink;
        };
        const QModelIndex alpha = m.index(1, 0);
        QVERIFY(inkAtRight(m.index(0, 0, alpha)) > 10); // zone glyph
        QVERIFY(inkAtRight(m.index(3, 0, alpha)) > 10); // ">90"
        QCOMPARE(inkAtRight(alpha), 0);                 // object rows carry none
    }
};

QTEST_MAIN(tst_TrapTreeModel)
#include "tst_TrapTreeModel.moc"
