#include "ZtStrings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestZtStrings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addText_data();
    void addText();
    void addTextContinuesLastLine();
    void editing();
    void joinAndSearch();
    void assignSplits_data();
    void assignSplits();
    void loadFromFile();
};

void TestZtStrings::addText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("pieces");
    QTest::addRow("mixed line ends") << "a\r\nb\nc\rd" << QStringList{"a", "b", "c", "d"} << 4;
    QTest::addRow("final CR adds no empty line") << "a\r\n" << QStringList{"a"} << 1;
    QTest::addRow("empty lines count") << "a\n\nb" << QStringList{"a", "", "b"} << 3;
    QTest::addRow("no line end") << "single" << QStringList{"single"} << 1;
}

void TestZtStrings::addText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QFETCH(int, pieces);
    TZtStringList l;
    QCOMPARE(l.AddText(text), pieces);
    QCOMPARE(l.AsQStringList(), lines);
    QCOMPARE(l.GetText(), lines.join(QStringLiteral("\r\n")));
}

void TestZtStrings::addTextContinuesLastLine()
{
    // Text that arrives in chunks (a log, a device answer) joins up.
    TZtStringList l;
    l.AddText(QStringLiteral("hel"));
    l.AddText(QStringLiteral("lo\r\nwor"));
    l.AddText(QStringLiteral("ld"));
    QCOMPARE(l.AsQStringList(), (QStringList{"hello", "world"}));
    l.SetText(QStringLiteral("x"));
    QCOMPARE(l.AsQStringList(), QStringList{"x"});
}

void TestZtStrings::editing()
{
    TZtStringList l;
    l.Add(QStringLiteral("b  "));
    QCOMPARE(l[0], QStringLiteral("b  ")); // Add keeps the text as is
    l.Insert(-5, QStringLiteral("a \t"));
    l.Insert(99, QStringLiteral("c "));
    QCOMPARE(l.AsQStringList(), (QStringList{"a", "b  ", "c"}));
    l.SetStrings(1, QStringLiteral("B   "));
    l.SetStrings(7, QStringLiteral("ignored"));
    QCOMPARE(l[1], QStringLiteral("B"));
    QCOMPARE(l[7], QString());
    QVERIFY(l.Delete(QStringLiteral("B")));
    QVERIFY(!l.Delete(QStringLiteral("zz")));
    QCOMPARE(l.Shift(), QStringLiteral("a"));
    QCOMPARE(l.Count(), 1);
    l.Delete(5);
    l.Delete(0);
    QCOMPARE(l.Shift(), QString());

    l.SetText(QStringLiteral(" x \r\n   \r\ny\r\n\t"));
    l.DeleteEmpty(false);
    QCOMPARE(l.AsQStringList(), (QStringList{" x ", "y"}));
    l.DeleteEmpty(true);
    QCOMPARE(l.AsQStringList(), (QStringList{"x", "y"}));
}

void TestZtStrings::joinAndSearch()
{
    TZtStringList l(QStringLiteral("alpha\nBeta\nbeta\ngamma"));
    QCOMPARE(l.Join(QStringLiteral(","), 1, 2), QStringLiteral("Beta,beta"));
    QCOMPARE(l.Join(QStringLiteral(","), -3, 99), QStringLiteral("alpha,Beta,beta,gamma"));
    QCOMPARE(l.IndexOf(QStringLiteral("beta")), 2); // case-sensitive
    QCOMPARE(l.IndexOf(QStringLiteral("delta")), -1);
    QCOMPARE(l.Find(QStringLiteral("amm")), 3);
    QCOMPARE(l.Find(QStringLiteral("zz")), -1);
    l.SetOnCompare([](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive); });
    l.Sort();
    QCOMPARE(l[0], QStringLiteral("alpha"));
    QCOMPARE(l[3], QStringLiteral("gamma"));
}

void TestZtStrings::assignSplits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("separators");
    QTest::addColumn<QStringList>("parts");
    QTest::addRow("separator ignores case") << "aANDbandc" << QStringList{"and"} << QStringList{"a", "b", "c"};
    QTest::addRow("several separators") << "a;b,c" << QStringList{";", ","} << QStringList{"a", "b", "c"};
    QTest::addRow("empty parts kept") << ";a;" << QStringList{";"} << QStringList{"", "a", ""};
}

void TestZtStrings::assignSplits()
{
    QFETCH(QString, text);
    QFETCH(QStringList, separators);
    QFETCH(QStringList, parts);
    TZtStringList l;
    if (separators.size() == 1)
        l.Assign(text, separators.first());
    else
        l.Assign(text, separators);
    QCOMPARE(l.AsQStringList(), parts);
}

void TestZtStrings::loadFromFile()
{
    QTemporaryDir dir;
    const QString fn = dir.filePath(QStringLiteral("list.txt"));
    QFile f(fn);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBFПривет\r\nsecond\n\nlast");
    f.close();

    TZtStringList l;
    l.Add(QStringLiteral("old"));
    QCOMPARE(l.LoadFromFile(dir.filePath(QStringLiteral("missing.txt"))), -1);
    QCOMPARE(l.AsQStringList(), QStringList{"old"}); // unchanged

    QCOMPARE(l.LoadFromFile(fn), 4);
    QCOMPARE(l.AsQStringList(), (QStringList{QStringLiteral("Привет"), "second", "", "last"}));
    QCOMPARE(l.FileName(), fn);
    // An empty name re-reads FileName.
    l.Clear();
    QCOMPARE(l.LoadFromFile(), 4);
}

QTEST_GUILESS_MAIN(TestZtStrings)
#include "tst_ZtStrings.moc"
