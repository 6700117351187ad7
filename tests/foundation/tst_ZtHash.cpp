#include "ZtFiles.h"
#include "ZtHash.h"
#include "KeyValueLines.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestZtHash : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keyRule();
    void valuesAndAccessors();
    void asBool_data();
    void asBool();
    void assignLines_data();
    void assignLines();
    void assignFlat_data();
    void assignFlat();
    void assignKeepsExistingWithoutOverwrite();
    void loadWithSectionsAndIncludes();
    void includeCycleAndDepth();
    void commandLine();
    void json_data();
    void json();
    void jsonArrayOfObjects();
    void hints();

private:
    static QString entries(const TZtHash &h) { return h.AsText(QStringLiteral("="), QStringLiteral("|")); }
};

void TestZtHash::keyRule()
{
    TZtHash h;
    h.SetVal(QStringLiteral("Server"), QStringLiteral("a"));
    h.SetVal(QStringLiteral(" server "), QStringLiteral("b"));
    h.SetVal(QStringLiteral("SERVER"), QStringLiteral("c"));
    QCOMPARE(h.Count(), 1);
    QCOMPARE(entries(h), QStringLiteral("Server=c")); // first spelling kept
    // Only ASCII letters fold: Cyrillic keys compare exactly.
    h.SetVal(QStringLiteral("Ключ"), QStringLiteral("1"));
    h.SetVal(QStringLiteral("ключ"), QStringLiteral("2"));
    QCOMPARE(h.Count(), 3);
    // An empty key is never added.
    h.SetVal(QStringLiteral("  "), QStringLiteral("x"));
    QCOMPARE(h.Count(), 3);
    QCOMPARE(h.KeyIndex(QString()), -1);
    QVERIFY(!h.Sorted());
}

void TestZtHash::valuesAndAccessors()
{
    TZtHash h;
    h.SetVal(QStringLiteral("v"), QStringLiteral("  lead and trail  \t"));
    QCOMPARE(h.GetVal(QStringLiteral("v")), QStringLiteral("  lead and trail"));
    h.SetVal(QStringLiteral("empty"), QString());
    QCOMPARE(h.KeyIndex(QStringLiteral("EMPTY")), 1);
    QCOMPARE(h.Get(QStringLiteral("empty"), QStringLiteral("def")), QString()); // exists, empty
    QCOMPARE(h.Get(QStringLiteral("none"), QStringLiteral("def")), QStringLiteral("def"));
    h.SetVal(QStringLiteral("n"), QStringLiteral("0x10"));
    QCOMPARE(h.Get(QStringLiteral("n"), qint64(5)), qint64(16));
    QCOMPARE(h.Get(QStringLiteral("none"), qint64(5)), qint64(5));
    h.SetVal(QStringLiteral("bad"), QStringLiteral("12abc"));
    QCOMPARE(h.AsInteger(QStringLiteral("bad")), qint64(0));
    TZtHash hex;
    hex.SetVal(QStringLiteral("upper"), QStringLiteral("X1F")); // only "x" and "0x" mark hexadecimal
    QCOMPARE(hex.AsInteger(QStringLiteral("upper")), qint64(0));
    h.SetAsInteger(QStringLiteral("i"), -42);
    QCOMPARE(h.GetVal(QStringLiteral("i")), QStringLiteral("-42"));
    h.SetAsBool(QStringLiteral("b"), true);
    QCOMPARE(h.GetVal(QStringLiteral("b")), QStringLiteral("true"));

    QCOMPARE(h.GetKey(99), QString());
    QCOMPARE(h.GetValByIndex(-1), QString());
    h.SetValByIndex(99, QStringLiteral("x")); // writes nothing
    h.SetValByIndex(0, QStringLiteral("y   "));
    QCOMPARE(h.GetValByIndex(0), QStringLiteral("y"));

    QStringList keys;
    for (const TZtHashItem &it : h)
        keys << it.key;
    QCOMPARE(keys, (QStringList{"v", "empty", "n", "bad", "i", "b"}));
}

void TestZtHash::asBool_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("expected");
    QTest::addRow("1") << "1" << true;
    QTest::addRow("true") << "true" << true;
    QTest::addRow("Yes") << "Yes" << true;
    QTest::addRow("on") << "on" << true;
    QTest::addRow("off") << "off" << false;
    QTest::addRow("OFF") << "OFF" << false;
    QTest::addRow("Off padded") << "  Off  " << false;
    QTest::addRow("on padded") << "  on" << true;
    QTest::addRow("ON") << "ON" << true;
    QTest::addRow("ok") << "ok" << true;
    QTest::addRow("TRUE") << "TRUE" << true;
    QTest::addRow("y") << "y" << true;
    QTest::addRow("yes padded") << "\tyes " << true;
    QTest::addRow("0") << "0" << false;
    QTest::addRow("false") << "false" << false;
    QTest::addRow("no") << "no" << false;
    QTest::addRow("empty") << "" << false;
    QTest::addRow("spaces only") << "   " << false;
    QTest::addRow("FALSE") << "FALSE" << false;
    QTest::addRow("No") << "No" << false;
    QTest::addRow("unknown word") << "maybe" << false;
    QTest::addRow("unknown number") << "2" << false;
}

void TestZtHash::asBool()
{
    QFETCH(QString, value);
    QFETCH(bool, expected);
    TZtHash h;
    h.SetVal(QStringLiteral("k"), value);
    QCOMPARE(h.AsBool(QStringLiteral("k")), expected);
}

void TestZtHash::assignLines_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("count");
    QTest::addRow("first = splits, even after a space") << "a = 1 = 2" << "a=1 = 2" << 1;
    QTest::addRow("space separates without =") << "a b" << "a=b" << 1;
    QTest::addRow("bare key") << "a" << "a=" << 1;
    QTest::addRow("empty key skipped") << "= 5" << "" << 0;
    QTest::addRow("comments skipped") << "# x=1\r/ y=2\r; z=3\rk=v" << "k=v" << 1;
    QTest::addRow("block value") << "x={\ra=1\r\r# c\rb=2\r}\ry=3" << "x={\ra=1\rb=2\r}|y=3" << 2;
    QTest::addRow("nested block") << "x=[\r[1,\r2]\r]" << "x=[\r[1,\r2]\r]" << 1;
    QTest::addRow("one-line block") << "x={a=1}" << "x={a=1}" << 1;
    QTest::addRow("section block ends at blank") << "[A]\rk=1\r# kept\r\rm=2" << "[A]=k=1\r# kept|m=2" << 2;
    QTest::addRow("section block ends at next section") << "[A]\rk=1\r[B]\rm=2" << "[A]=k=1|[B]=m=2" << 2;
    QTest::addRow("braced text stripped") << "{ a=1\rb=2 }" << "a=1|b=2" << 2;
    QTest::addRow("LF and CRLF lines") << "a=1\nb=2\r\nc=3" << "a=1|b=2|c=3" << 3;
}

void TestZtHash::assignLines()
{
    QFETCH(QString, data);
    QFETCH(QString, expected);
    QFETCH(int, count);
    TZtHash h;
    QCOMPARE(h.Assign(data, true, QStringLiteral("=\t "), QStringLiteral("\r")), count);
    QCOMPARE(entries(h), expected);

    // Other line separators are turned into line breaks.
    TZtHash amp;
    QCOMPARE(amp.Assign(QStringLiteral("a=1&b=2"), true, QStringLiteral("="), QStringLiteral("&")), 2);
    QCOMPARE(entries(amp), QStringLiteral("a=1|b=2"));
}

// Text from outside: one entry a line, whatever a value opens.
void TestZtHash::assignFlat_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("count");
    QTest::addRow("blanks around =") << "tracking_period = 300" << "tracking_period=300" << 1;
    QTest::addRow("tab without =") << "use_places\t1" << "use_places=1" << 1;
    QTest::addRow("blank without =") << "a b c" << "a=b c" << 1;
    QTest::addRow("brace does not take the next lines") << "a={\nb=1\n}" << "a={|b=1|}=" << 3;
    QTest::addRow("one-line brace value") << "p={\"n\":\"a b\"}" << "p={\"n\":\"a b\"}" << 1;
    QTest::addRow("braced text not stripped") << "{a=1}" << "{a=1}" << 1;
    QTest::addRow("section header is a bare key") << "[A]\nk=1" << "[A]=|k=1" << 2;
    QTest::addRow("comments skipped, nothing included") << "#include /etc/passwd\n; y\n/ z\nk=v" << "k=v" << 1;
    QTest::addRow("mark at the start dropped") << QString(QChar(0xFEFF)) + "a=1\r\nb=2" << "a=1|b=2" << 2;
    QTest::addRow("mark alone") << QString(QChar(0xFEFF)) << "" << 0;
    QTest::addRow("later entry replaces") << "a=1\nA=2" << "a=2" << 2;
    QTest::addRow("empty key skipped") << "= 5\n\n" << "" << 0;
}

void TestZtHash::assignFlat()
{
    QFETCH(QString, data);
    QFETCH(QString, expected);
    QFETCH(int, count);
    TZtHash h;
    QCOMPARE(AssignFlat(h, data), count);
    QCOMPARE(entries(h), expected);
}

void TestZtHash::assignKeepsExistingWithoutOverwrite()
{
    TZtHash h;
    h.SetVal(QStringLiteral("a"), QStringLiteral("old"));
    h.SetVal(QStringLiteral("b"), QString());
    QCOMPARE(h.Assign(QStringLiteral("a=new\rb=filled\rc=3"), false), 3);
    QCOMPARE(entries(h), QStringLiteral("a=old|b=filled|c=3"));
}

void TestZtHash::loadWithSectionsAndIncludes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("abs")));
    WriteTextFile(dir.filePath(QStringLiteral("main.conf")),
                  QStringLiteral("server = https://a.example\n"
                                 "\n"
                                 "#include other.conf\n"
                                 "#include=%1\n"
                                 "#include\n"
                                 "[A]\n"
                                 "k=1\n"
                                 "\n" // blank lines are dropped on reading: the section runs on
                                 "k2=2\n"
                                 "[B]\n"
                                 "m=2\n")
                      .arg(dir.filePath(QStringLiteral("abs/x.conf"))),
                  true, true);
    WriteTextFile(dir.filePath(QStringLiteral("other.conf")), QStringLiteral("lang=ru\n; comment\ntoken=T1\n"));
    WriteTextFile(dir.filePath(QStringLiteral("abs/x.conf")), QStringLiteral("user_level=expert\n"));

    TZtHash h(dir.filePath(QStringLiteral("main.conf")));
    QCOMPARE(entries(h), QStringLiteral("server=https://a.example|lang=ru|token=T1|user_level=expert|[A]=k=1\rk2=2|[B]=m=2"));

    TZtHash missing;
    QCOMPARE(missing.Load(dir.filePath(QStringLiteral("none.conf"))), 0);
}

void TestZtHash::includeCycleAndDepth()
{
    QTemporaryDir dir;
    // a includes b, b includes a again: the cycle is cut, the rest loads.
    WriteTextFile(dir.filePath(QStringLiteral("a.conf")), QStringLiteral("a1=1\n#include b.conf\na2=2\n"));
    WriteTextFile(dir.filePath(QStringLiteral("b.conf")), QStringLiteral("b1=1\n#include a.conf\nb2=2\n"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cycle")));
    TZtHash h;
    QCOMPARE(h.Load(dir.filePath(QStringLiteral("a.conf"))), 4);
    QCOMPARE(entries(h), QStringLiteral("a1=1|b1=1|b2=2|a2=2"));

    // A chain of 20 distinct files stops at the depth limit.
    for (int i = 0; i < 20; ++i)
        WriteTextFile(dir.filePath(QStringLiteral("c%1.conf").arg(i)),
                      QStringLiteral("k%1=%1\n#include c%2.conf\n").arg(i).arg(i + 1));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("deeper than 16")));
    TZtHash chain;
    QCOMPARE(chain.Load(dir.filePath(QStringLiteral("c0.conf"))), 16);
}

void TestZtHash::commandLine()
{
    TZtHash h;
    h.SetVal(QStringLiteral("server"), QStringLiteral("old"));
    QCOMPARE(h.AssignCommandLine({QStringLiteral("server=https://c.example"), QStringLiteral("verbose"),
                                  QStringLiteral("/ignored=1"), QStringLiteral("#x=1"), QStringLiteral(";y=2")}),
             2);
    QCOMPARE(entries(h), QStringLiteral("server=https://c.example|verbose="));
}

void TestZtHash::json_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("expected");
    QTest::addRow("mixed members") << R"({"a": "x,y", "b": null, "c": [1, 2], "d": {"e": 1}})"
                                   << "a=x,y|b=|c=[1,2]|d={e=1}";
    QTest::addRow("escapes decoded") << R"({"t": "a\"b\\c\x41"})" << "t=a\"b\\cA";
    QTest::addRow("multi-line nested object") << "{\n\"id\": 5,\n\"cfg\": {\n\"x\": \"1\",\n\"y\": 2\n}\n}"
                                              << "id=5|cfg={x=1\r\ny=2}";
    QTest::addRow("single quotes and numbers") << "{'k': 'v', 'n': -1.5}" << "k=v|n=-1.5";
    QTest::addRow("empty") << "  " << "";
}

void TestZtHash::json()
{
    QFETCH(QString, json);
    QFETCH(QString, expected);
    TZtHash h;
    h.SetVal(QStringLiteral("stale"), QStringLiteral("1"));
    h.AssignJson(json, true);
    QCOMPARE(entries(h), expected);
}

void TestZtHash::jsonArrayOfObjects()
{
    TZtHash h;
    QCOMPARE(h.AssignJson(QStringLiteral(R"([{"a":1,"b":2}, {"a":3}])"), true), 2);
    QCOMPARE(h.GetVal(QStringLiteral("0")), QStringLiteral(R"({"a":1,"b":2})"));
    QCOMPARE(h.GetVal(QStringLiteral("1")), QStringLiteral(R"({"a":3})"));

    // An array of objects stored as a member reads back element by element.
    TZtHash outer;
    outer.AssignJson(QStringLiteral(R"({"list": [{"n": 1, "m": 2}, {"n": 3}]})"), true);
    TZtHash items;
    QCOMPARE(items.AssignJson(outer.GetVal(QStringLiteral("list")), true), 2);
    TZtHash first;
    first.AssignJson(items.GetVal(QStringLiteral("0")), true);
    QCOMPARE(entries(first), QStringLiteral("n=1|m=2"));

    // Without Clean, new entries are added to the old ones.
    TZtHash more;
    more.SetVal(QStringLiteral("keep"), QStringLiteral("1"));
    more.AssignJson(QStringLiteral(R"({"x": 2})"), false);
    QCOMPARE(entries(more), QStringLiteral("keep=1|x=2"));
}

void TestZtHash::hints()
{
    TZtHintHash h;
    h.SetVal(QStringLiteral("en"), QStringLiteral("English"));
    h.SetHint(QStringLiteral("en"), QStringLiteral("/t/en.txt"));
    QCOMPARE(h.GetVal(QStringLiteral("en")), QStringLiteral("English"));
    QCOMPARE(h.GetHint(QStringLiteral("EN")), QStringLiteral("/t/en.txt"));
    QCOMPARE(h.Get(QStringLiteral("en"), QString()), QStringLiteral("English///t/en.txt")); // raw
    h.SetVal(QStringLiteral("en"), QStringLiteral("British"));
    QCOMPARE(h.GetHint(QStringLiteral("en")), QStringLiteral("/t/en.txt")); // hint survives
    QCOMPARE(h.GetValByIndex(0), QStringLiteral("British"));
    QCOMPARE(h.AsText(QStringLiteral("="), QStringLiteral("|")), QStringLiteral("en=British"));
    h.SetHint(QStringLiteral("en"), QString());
    QCOMPARE(h.Get(QStringLiteral("en"), QString()), QStringLiteral("British"));

    // A value that itself holds the separator reads back cut at it.
    h.SetVal(QStringLiteral("url"), QStringLiteral("https://x"));
    QCOMPARE(h.GetVal(QStringLiteral("url")), QStringLiteral("https:"));

    // The virtual readers serve the generic code paths too.
    TZtHash &base = h;
    QCOMPARE(base.GetVal(QStringLiteral("en")), QStringLiteral("British"));
    h.SetHint(QStringLiteral("ru"), QStringLiteral("/t/ru.txt"));
    for (const TZtHashItem &it : h)
        if (it.key == QLatin1String("ru"))
            QCOMPARE(it.hint, QStringLiteral("/t/ru.txt"));
}

QTEST_GUILESS_MAIN(TestZtHash)
#include "tst_ZtHash.moc"
