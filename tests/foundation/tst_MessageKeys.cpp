// Every message key that the code looks up by a literal name must have its
// text in translations/defaults.txt; a missing one would end the program with
// the fatal "no string" box the first time the message is shown.
#include "TestPaths.h"
#include "ZtFiles.h"
#include "translate.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

struct KeyUse
{
    QString key;
    QString where;
    bool strict; // GetString(Sig): the key must be in [Strings]
};

// Literal keys passed to the message lookups. GetString("Form", "Key", ...)
// is a window lookup with its own default and is left out.
static QList<KeyUse> scanKeys(const QString &text, const QString &file)
{
    static const QRegularExpression re(QStringLiteral(
        "\\b(GetString|Tr|TrFmt|ShowMsg|ShowMsgFmt)\\s*\\(\\s*(?:u?\""
        "(\\w+)\"|(?:QStringLiteral|QLatin1String)\\s*\\(\\s*\"(\\w+)\"\\s*\\))"
        "\\s*(?:\\)|,(?!\\s*(?:QStringLiteral|QLatin1String|u?\")))"));
    QList<KeyUse> uses;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const int line = int(text.left(m.capturedStart()).count(u'\n')) + 1;
        uses.append(KeyUse{m.captured(2).isEmpty() ? m.captured(3) : m.captured(2), file + u':' + QString::number(line), m.captured(1) == QLatin1String("GetString")});
    }
    return uses;
}

// Keys of any section of the file, for the lookups that may be window keys.
static QSet<QString> allKeys(const QString &text)
{
    QSet<QString> keys;
    for (const QString &raw : text.split(u'\n')) {
        const QString l = raw.trimmed();
        const qsizetype eq = l.indexOf(u'=');
        if (eq > 0 && !l.startsWith(u';') && !l.startsWith(u'#') && !l.startsWith(u'['))
            keys.insert(l.left(eq).trimmed().toLower());
    }
    return keys;
}

static QStringList missingKeys(const QList<KeyUse> &uses, const QString &defaultsFile)
{
    TTranslation tr;
    tr.Load(defaultsFile);
    const QSet<QString> any = allKeys(ReadTextFile(defaultsFile));
    QStringList missing;
    for (const KeyUse &u : uses) {
        const bool found = u.strict ? tr.HasString(u.key) : (tr.HasString(u.key) || any.contains(u.key.toLower()));
        if (!found)
            missing << u.key + QStringLiteral(" (") + u.where + u')';
    }
    return missing;
}

class TestMessageKeys : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scannerFindsLookups_data();
    void scannerFindsLookups();
    void missingKeyIsReported();
    void defaultsHaveEveryKeyTheCodeUses();
    void englishIsOffered();
};

void TestMessageKeys::scannerFindsLookups_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("keys");
    QTest::addRow("plain") << R"x(Translation.GetString("no_data"))x" << QStringList{"no_data"};
    QTest::addRow("QStringLiteral") << R"x(GetString(QStringLiteral("no_data")))x" << QStringList{"no_data"};
    QTest::addRow("formatted") << R"x(GetString(QStringLiteral("hello"), {name}))x" << QStringList{"hello"};
    QTest::addRow("helpers") << R"x(ShowMsg("trip_stopped", 3); TrFmt("zone_area", {u}); Tr(u"trip"))x"
                             << QStringList{"trip_stopped", "zone_area", "trip"};
    QTest::addRow("window lookup left out") << R"x(GetString("TrapEditForm", "Caption", " "))x" << QStringList{};
    QTest::addRow("window lookup with literals left out")
        << R"x(GetString(QStringLiteral("TrapEditForm"), QStringLiteral("Caption"), def))x" << QStringList{};
    QTest::addRow("variable key") << R"x(GetString(key); ShowMsg(QString(), 0))x" << QStringList{};
}

void TestMessageKeys::scannerFindsLookups()
{
    QFETCH(QString, code);
    QFETCH(QStringList, keys);
    QStringList found;
    for (const KeyUse &u : scanKeys(code, QStringLiteral("x.cpp")))
        found << u.key;
    QCOMPARE(found, keys);
}

void TestMessageKeys::missingKeyIsReported()
{
    QTemporaryDir dir;
    const QString fn = dir.filePath(QStringLiteral("defaults.txt"));
    WriteTextFile(fn, QStringLiteral("[Info]\nlang=English\n[Strings]\nno_data=No data\n[MainForm]\nsaved=Saved\n"));
    const QString code = QStringLiteral("GetString(\"no_data\");\nGetString(\"absent\");\nShowMsg(\"saved\", 3);\nGetString(\"saved\");\n");
    QCOMPARE(missingKeys(scanKeys(code, QStringLiteral("a.cpp")), fn),
             (QStringList{"absent (a.cpp:2)", "saved (a.cpp:4)"}));
}

void TestMessageKeys::defaultsHaveEveryKeyTheCodeUses()
{
    const QString src = TestPaths::sourceDir() + QStringLiteral("/src");
    QList<KeyUse> uses;
    int files = 0;
    QDirIterator it(src, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString fn = it.next();
        uses += scanKeys(ReadTextFile(fn), QDir(src).relativeFilePath(fn));
        ++files;
    }
    QVERIFY2(files > 0, qPrintable(src));
    QVERIFY(!uses.isEmpty()); // the client looks up no_data at least
    const QString defaults = TestPaths::sourceDir() + QStringLiteral("/translations/defaults.txt");
    QVERIFY2(QFileInfo::exists(defaults), qPrintable(defaults));
    const QStringList missing = missingKeys(uses, defaults);
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("missing in translations/defaults.txt: ") + missing.join(QStringLiteral(", "))));
}

void TestMessageKeys::englishIsOffered()
{
    TZtHintHash langs;
    DiscoverLanguages(TestPaths::sourceDir() + QStringLiteral("/translations"), langs);
    QCOMPARE(langs.GetVal(QStringLiteral("en")), QStringLiteral("English"));
    QCOMPARE(langs.KeyIndex(QStringLiteral("defaults")), -1);
}

QTEST_GUILESS_MAIN(TestMessageKeys)
#include "tst_MessageKeys.moc"
