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
};

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

QTEST_GUILESS_MAIN(TestZtIniFile)
#include "tst_ZtIniFile.moc"
