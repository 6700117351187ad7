#include "ZtFiles.h"
#include "ZtIniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class TestZtIniFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void missingFileReadsEmpty();
    void writesAreImmediateAndCaseInsensitive();
    void typedValues();
    void sectionsAndDeletion();
    void valuesCannotBreakTheFile();
    void writeToUnwritableFolderKeepsOldFile();
    void oneWriteChangesOneLine_data();
    void oneWriteChangesOneLine();
    void twoObjectsOnOneFile();
    void keysTheFileCannotHold_data();
    void keysTheFileCannotHold();
};

namespace {
QByteArray fileBytes(const QString &fn)
{
    QFile f(fn);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void putFile(const QString &fn, const QByteArray &bytes)
{
    QFile f(fn);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
} // namespace

void TestZtIniFile::missingFileReadsEmpty()
{
    QTemporaryDir dir;
    const QString fn = dir.filePath(QStringLiteral("app.ini"));
    TZtIniFile ini(fn);
    QCOMPARE(ini.ReadString(QStringLiteral("Main"), QStringLiteral("Left"), QStringLiteral("d")), QStringLiteral("d"));
    QVERIFY(!QFileInfo::exists(fn)); // created only by the first write
    QVERIFY(ini.WriteInteger(QStringLiteral("Main"), QStringLiteral("Left"), 10));
    QVERIFY(QFileInfo::exists(fn));
}

void TestZtIniFile::writesAreImmediateAndCaseInsensitive()
{
    QTemporaryDir dir;
    const QString fn = dir.filePath(QStringLiteral("app.ini"));
    WriteTextFile(fn, QStringLiteral("; hand-written\n[Login]\nUser=ann\n\n[Config]\nserver = https://b.example\nlang=\n"));
    TZtIniFile ini(fn);
    QCOMPARE(ini.ReadString(QStringLiteral("login"), QStringLiteral("user")), QStringLiteral("ann"));
    QCOMPARE(ini.ReadString(QStringLiteral("CONFIG"), QStringLiteral("Server")), QStringLiteral("https://b.example"));
    QVERIFY(ini.ValueExists(QStringLiteral("Config"), QStringLiteral("LANG")));

    QVERIFY(ini.WriteString(QStringLiteral("LOGIN"), QStringLiteral("user"), QStringLiteral("bob")));
    QCOMPARE(ini.ReadSection(QStringLiteral("Login")), QStringList{"User"}); // no duplicate key
    // Another reader sees the write at once.
    TZtIniFile other(fn);
    QCOMPARE(other.ReadString(QStringLiteral("Login"), QStringLiteral("User")), QStringLiteral("bob"));
    QCOMPARE(other.ReadString(QStringLiteral("Config"), QStringLiteral("server")), QStringLiteral("https://b.example"));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"app.ini"});
}

void TestZtIniFile::typedValues()
{
    QTemporaryDir dir;
    TZtIniFile ini(dir.filePath(QStringLiteral("t.ini")));
    ini.WriteBool(QStringLiteral("S"), QStringLiteral("b"), true);
    QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("b")), QStringLiteral("1"));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("b2"), QStringLiteral("-3"));
    QVERIFY(ini.ReadBool(QStringLiteral("S"), QStringLiteral("b2"), false)); // any non-zero integer
    ini.WriteString(QStringLiteral("S"), QStringLiteral("b3"), QStringLiteral("yes"));
    QVERIFY(ini.ReadBool(QStringLiteral("S"), QStringLiteral("b3"), true)); // unreadable: default
    QVERIFY(!ini.ReadBool(QStringLiteral("S"), QStringLiteral("b3"), false));
    QCOMPARE(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("b3"), 480), qint64(480));

    const TDateTime t = EncodeDateTime(2024, 3, 4, 5, 6, 7);
    ini.WriteDateTime(QStringLiteral("Period"), QStringLiteral("Dt1"), t);
    TZtIniFile again(ini.FileName());
    QCOMPARE(again.ReadDateTime(QStringLiteral("Period"), QStringLiteral("Dt1"), 0), t);
    ini.WriteString(QStringLiteral("Period"), QStringLiteral("Dt2"), QStringLiteral("garbage"));
    QCOMPARE(ini.ReadDateTime(QStringLiteral("Period"), QStringLiteral("Dt2"), 1.5), 1.5);
    QVERIFY(std::isnan(ini.ReadDateTime(QStringLiteral("Period"), QStringLiteral("none"))));
}

void TestZtIniFile::sectionsAndDeletion()
{
    QTemporaryDir dir;
    TZtIniFile ini(dir.filePath(QStringLiteral("t.ini")));
    ini.WriteString(QStringLiteral("Config"), QStringLiteral("server"), QStringLiteral("x"));
    ini.WriteString(QStringLiteral("Config"), QStringLiteral("lang"), QStringLiteral("ru"));
    ini.WriteString(QStringLiteral("Main"), QStringLiteral("Style"), QStringLiteral("Dark"));
    QCOMPARE(ini.ReadSections(), (QStringList{"Config", "Main"}));
    QCOMPARE(ini.ReadSection(QStringLiteral("config")), (QStringList{"server", "lang"}));
    QVERIFY(ini.DeleteKey(QStringLiteral("Config"), QStringLiteral("SERVER")));
    QVERIFY(ini.EraseSection(QStringLiteral("main")));
    TZtIniFile again(ini.FileName());
    QCOMPARE(again.ReadSections(), QStringList{"Config"});
    QCOMPARE(again.ReadSection(QStringLiteral("Config")), QStringList{"lang"});
}

void TestZtIniFile::valuesCannotBreakTheFile()
{
    QTemporaryDir dir;
    TZtIniFile ini(dir.filePath(QStringLiteral("t.ini")));
    // A line break in a value would otherwise inject a section or a key.
    ini.WriteString(QStringLiteral("Login"), QStringLiteral("user"), QStringLiteral("a\r\n[Config]\nserver=evil"));
    QVERIFY(!ini.WriteString(QStringLiteral("Login"), QStringLiteral("k=v"), QStringLiteral("x")));
    TZtIniFile again(ini.FileName());
    QCOMPARE(again.ReadSections(), QStringList{"Login"});
    QCOMPARE(again.ReadString(QStringLiteral("Login"), QStringLiteral("user")), QStringLiteral("a [Config] server=evil"));
}

void TestZtIniFile::writeToUnwritableFolderKeepsOldFile()
{
    QTemporaryDir dir;
    // A folder that does not exist: the write fails and says so.
    TZtIniFile lost(dir.filePath(QStringLiteral("none/t.ini")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("could not be written")));
    QVERIFY(!lost.WriteString(QStringLiteral("Main"), QStringLiteral("a"), QStringLiteral("1")));
    QVERIFY(!lost.LastWriteOk());
    QCOMPARE(lost.ReadString(QStringLiteral("Main"), QStringLiteral("a")), QStringLiteral("1")); // kept in memory

    const QString sub = dir.filePath(QStringLiteral("ro"));
    QVERIFY(QDir().mkdir(sub));
    const QString fn = sub + QStringLiteral("/t.ini");
    TZtIniFile ini(fn);
    QVERIFY(ini.WriteString(QStringLiteral("Main"), QStringLiteral("a"), QStringLiteral("1")));
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(sub).isWritable())
        QSKIP("running with privileges that ignore folder permissions");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("could not be written")));
    QVERIFY(!ini.WriteString(QStringLiteral("Main"), QStringLiteral("a"), QStringLiteral("2")));
    QVERIFY(!ini.LastWriteOk());
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(TZtIniFile(fn).ReadString(QStringLiteral("Main"), QStringLiteral("a")), QStringLiteral("1"));
}

void TestZtIniFile::oneWriteChangesOneLine_data()
{
    // The file when the object opened it, the file on disk at the moment of
    // the write (someone else changed it meanwhile, or the same), one change,
    // and the whole file afterwards.
    QTest::addColumn<QByteArray>("atOpen");
    QTest::addColumn<QByteArray>("atWrite");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    const QByteArray main = "; kept comment\n[Main]\nLeft=1\n";
    QTest::addRow("comment kept") << main << main << "write" << "Main" << "Left" << "2" << QByteArray("; kept comment\n[Main]\nLeft=2\n");
    QTest::addRow("key added by hand while running")
        << main << QByteArray("; kept comment\n[Main]\nLeft=1\n# mine\nHand=yes\n") << "write" << "Main" << "Left" << "2"
        << QByteArray("; kept comment\n[Main]\nLeft=2\n# mine\nHand=yes\n");
    QTest::addRow("token written by another copy")
        << main << QByteArray("; kept comment\n[Main]\nLeft=1\n\n[Login]\nToken=abc123\n") << "write" << "Main" << "Top" << "7"
        << QByteArray("; kept comment\n[Main]\nLeft=1\nTop=7\n\n[Login]\nToken=abc123\n");
    QTest::addRow("new section at the end") << main << main << "write" << "Period" << "Dt1" << "01.02.2024 00:00:00"
                                            << QByteArray("; kept comment\n[Main]\nLeft=1\n\n[Period]\nDt1=01.02.2024 00:00:00\n");
    QTest::addRow("key keeps its spelling") << QByteArray("[main]\n  Left = 1 ; old\n") << QByteArray("[main]\n  Left = 1 ; old\n") << "write"
                                            << "MAIN" << "left" << "3" << QByteArray("[main]\nLeft=3\n");
    QTest::addRow("later duplicate removed") << QByteArray("[Main]\nA=1\nB=2\nA=9\n") << QByteArray("[Main]\nA=1\nB=2\nA=9\n") << "write"
                                             << "Main" << "a" << "5" << QByteArray("[Main]\nA=5\nB=2\n");
    QTest::addRow("section opened twice") << QByteArray("[Main]\nA=1\n[X]\nB=1\n[Main]\nC=1\n") << QByteArray("[Main]\nA=1\n[X]\nB=1\n[Main]\nC=1\n")
                                          << "write" << "Main" << "C" << "2" << QByteArray("[Main]\nA=1\n[X]\nB=1\n[Main]\nC=2\n");
    QTest::addRow("windows line ends") << QByteArray("[Main]\r\nA=1\r\n;c\r\n") << QByteArray("[Main]\r\nA=1\r\n;c\r\n") << "write" << "Main"
                                       << "B" << "2" << QByteArray("[Main]\nA=1\n;c\nB=2\n");
    QTest::addRow("delete keeps the rest") << main << QByteArray("; kept comment\n[Main]\nLeft=1\nHand=yes\n") << "delete" << "Main"
                                           << "left" << "" << QByteArray("; kept comment\n[Main]\nHand=yes\n");
    QTest::addRow("erase keeps other sections")
        << main << QByteArray("; kept comment\n[Main]\nLeft=1\n[Login]\nToken=abc\n") << "erase" << "main" << "" << ""
        << QByteArray("; kept comment\n[Login]\nToken=abc\n");
    QTest::addRow("file deleted meanwhile") << main << QByteArray() << "write" << "Main" << "Top" << "7"
                                            << QByteArray("; kept comment\n[Main]\nLeft=1\nTop=7\n");
}

void TestZtIniFile::oneWriteChangesOneLine()
{
    QFETCH(QByteArray, atOpen);
    QFETCH(QByteArray, atWrite);
    QFETCH(QString, op);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString fn = dir.filePath(QStringLiteral("app.ini"));
    putFile(fn, atOpen);
    TZtIniFile ini(fn);
    if (atWrite.isEmpty())
        QVERIFY(QFile::remove(fn));
    else
        putFile(fn, atWrite);
    if (op == QLatin1String("write"))
        QVERIFY(ini.WriteString(section, key, value));
    else if (op == QLatin1String("delete"))
        QVERIFY(ini.DeleteKey(section, key));
    else
        QVERIFY(ini.EraseSection(section));
    QCOMPARE(fileBytes(fn), after);
    // What the object answers matches the file it wrote.
    TZtIniFile fresh(fn);
    for (const QString &s : fresh.ReadSections())
        for (const QString &k : fresh.ReadSection(s))
            QCOMPARE(ini.ReadString(s, k, QStringLiteral("<none>")), fresh.ReadString(s, k));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"app.ini"});
}

void TestZtIniFile::twoObjectsOnOneFile()
{
    QTemporaryDir dir;
    const QString fn = dir.filePath(QStringLiteral("app.ini"));
    TZtIniFile window(fn);
    TZtIniFile login(fn);
    QVERIFY(window.WriteInteger(QStringLiteral("Main"), QStringLiteral("Left"), 10));
    QVERIFY(login.WriteString(QStringLiteral("Login"), QStringLiteral("Token"), QStringLiteral("t0k3n")));
    QVERIFY(window.WriteInteger(QStringLiteral("Main"), QStringLiteral("Top"), 20));
    QVERIFY(login.DeleteKey(QStringLiteral("Main"), QStringLiteral("Nothing")));
    QVERIFY(window.WriteInteger(QStringLiteral("Main"), QStringLiteral("Left"), 11));

    TZtIniFile fresh(fn);
    QCOMPARE(fresh.ReadString(QStringLiteral("Login"), QStringLiteral("Token")), QStringLiteral("t0k3n"));
    QCOMPARE(fresh.ReadInteger(QStringLiteral("Main"), QStringLiteral("Left")), qint64(11));
    QCOMPARE(fresh.ReadInteger(QStringLiteral("Main"), QStringLiteral("Top")), qint64(20));
    // Each object has seen the other's keys at its own last write.
    QCOMPARE(window.ReadString(QStringLiteral("Login"), QStringLiteral("Token")), QStringLiteral("t0k3n"));
    QCOMPARE(login.ReadInteger(QStringLiteral("Main"), QStringLiteral("Top")), qint64(20));
}

void TestZtIniFile::keysTheFileCannotHold_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addRow("key starts with ;") << "Main" << "; note";
    QTest::addRow("key starts with #") << "Main" << "#x";
    QTest::addRow("key starts with [") << "Main" << "[Login]";
    QTest::addRow("key holds =") << "Main" << "k=v";
    QTest::addRow("key holds a line break") << "Main" << "a\nb";
    QTest::addRow("key holds a carriage return") << "Main" << "a\rb";
    QTest::addRow("empty key") << "Main" << " ";
    QTest::addRow("section holds ]") << "Ma]in" << "k";
    QTest::addRow("section holds a line break") << "Main\n[Login" << "k";
    QTest::addRow("empty section") << "" << "k";
}

void TestZtIniFile::keysTheFileCannotHold()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QTemporaryDir dir;
    const QString fn = dir.filePath(QStringLiteral("app.ini"));
    const QByteArray before = "[Main]\nA=1\n";
    putFile(fn, before);
    TZtIniFile ini(fn);
    QVERIFY(!ini.WriteString(section, key, QStringLiteral("v")));
    QCOMPARE(fileBytes(fn), before);
    QCOMPARE(ini.ReadSection(QStringLiteral("Main")), QStringList{"A"});
}

QTEST_GUILESS_MAIN(TestZtIniFile)
#include "tst_ZtIniFile.moc"
