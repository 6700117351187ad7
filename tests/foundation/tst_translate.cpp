#include "ZtFiles.h"
#include "common.h"
#include "translate.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Files of a small translations folder, written by each test.
static void writeFile(const QTemporaryDir &dir, const QString &name, const QString &text)
{
    QVERIFY(WriteTextFile(dir.filePath(name), text, true, false) >= 0);
}

static const char *DefaultsText = "[Info]\n"
                                  "lang=English\n"
                                  "[Strings]\n"
                                  "hello=Hello, %s!\n"
                                  "count=%d items\n"
                                  "only_default=from defaults\n"
                                  "greeting=$hello\n"
                                  "chain=$only_default\n"
                                  "[TrapEditForm]\n"
                                  "Caption=Trap editor\n"
                                  "BtnOk_text=OK\n";

static const char *RussianText = "[Info]\n"
                                 "lang=Русский\n"
                                 "\n"
                                 "[Strings]\n"
                                 "; a comment line\n"
                                 "hello = Привет, %s!  \n"
                                 "a=$b\n"
                                 "b=Hello\n"
                                 "dangling=$zz\n"
                                 "to_default=$only_default\n"
                                 "deep=$a\n"
                                 "through_defaults=$chain\n"
                                 "loop1=$loop2\n"
                                 "loop2=$loop1\n"
                                 "self=$SELF\n"
                                 "no equals sign here\n"
                                 "[trapeditform]\n"
                                 "Caption=Ловушка\n"
                                 "BtnSave_text=$save\n"
                                 "save=Сохранить\n"
                                 "BtnDeep_text=$BtnSave_text\n"
                                 "BtnLoop_text=$BtnLoop_text\n"
                                 "[Other]\n"
                                 "Caption=Другое\n";

class TestTranslate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadErrors_data();
    void loadErrors();
    void messages_data();
    void messages();
    void formattedMessages();
    void windowKeys_data();
    void windowKeys();
    void discovery();
    void missingKeyIsFatal_data();
    void missingKeyIsFatal();

private:
    // A translation of ru.txt over defaults.txt in a fresh folder.
    void loadRussian(QTemporaryDir &dir, TTranslation &tr);
};

void TestTranslate::loadRussian(QTemporaryDir &dir, TTranslation &tr)
{
    writeFile(dir, QStringLiteral("defaults.txt"), QString::fromUtf8(DefaultsText));
    writeFile(dir, QStringLiteral("ru.txt"), QString::fromUtf8(RussianText));
    tr.Load(dir.filePath(QStringLiteral("ru.txt")));
    tr.LoadDefaults(dir.filePath(QStringLiteral("defaults.txt")));
}

void TestTranslate::loadErrors_data()
{
    QTest::addColumn<bool>("defaults");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("error");
    QTest::addRow("empty name") << false << "" << "" << "Translation file is empty.";
    QTest::addRow("missing file") << false << "xx.txt" << "" << "Translation file [%1] not found.";
    QTest::addRow("no lang in Info") << false << "bad.txt" << "[Info]\nname=x\n[Strings]\na=b\n"
                                     << "Invalid translation file [%1].";
    QTest::addRow("lang outside Info") << false << "bad.txt" << "[Strings]\nlang=English\n" << "Invalid translation file [%1].";
    QTest::addRow("defaults empty name") << true << "" << "" << "Defaults translation file is empty.";
    QTest::addRow("defaults missing") << true << "defaults.txt" << "" << "Defaults translation file [%1] not found.";
    QTest::addRow("defaults invalid") << true << "defaults.txt" << "[Strings]\na=b\n" << "Invalid translation file [%1].";
}

void TestTranslate::loadErrors()
{
    QFETCH(bool, defaults);
    QFETCH(QString, name);
    QFETCH(QString, content);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    if (!content.isEmpty())
        writeFile(dir, name, content);
    TTranslation tr;
    try {
        if (defaults)
            tr.LoadDefaults(path);
        else
            tr.Load(path);
        QFAIL("no error raised");
    } catch (const ETranslationError &e) {
        QCOMPARE(e.message(), error.contains(QLatin1String("%1")) ? error.arg(path) : error);
    }
}

void TestTranslate::messages_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::addRow("own key, value trimmed") << "hello" << QStringLiteral("Привет, %s!");
    QTest::addRow("reference") << "a" << "Hello";
    QTest::addRow("dangling reference stays") << "dangling" << "$zz";
    QTest::addRow("reference into the defaults") << "to_default" << "from defaults";
    QTest::addRow("key only in the defaults") << "only_default" << "from defaults";
    QTest::addRow("reference inside the defaults") << "greeting" << QStringLiteral("Привет, %s!");
    QTest::addRow("reference to a reference") << "deep" << "Hello";
    QTest::addRow("reference chain through the defaults") << "through_defaults" << "from defaults";
    QTest::addRow("reference cycle stays") << "loop1" << "$loop2";
    QTest::addRow("reference to itself stays") << "self" << "$SELF";
    QTest::addRow("keys ignore ASCII case") << "HELLO" << QStringLiteral("Привет, %s!");
    QTest::addRow("empty key") << "" << "";
}

void TestTranslate::messages()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    TTranslation tr;
    loadRussian(dir, tr);
    QCOMPARE(tr.Lang(), QStringLiteral("Русский"));
    QCOMPARE(tr.GetString(key), expected);
}

void TestTranslate::formattedMessages()
{
    QTemporaryDir dir;
    TTranslation tr;
    loadRussian(dir, tr);
    QCOMPARE(tr.GetString(QStringLiteral("hello"), {QStringLiteral("Анна")}), QStringLiteral("Привет, Анна!"));
    QCOMPARE(tr.GetString(QStringLiteral("count"), {3}), QStringLiteral("3 items"));
    // A text that asks for a number but gets a text comes back unformatted.
    QCOMPARE(tr.GetString(QStringLiteral("count"), {QStringLiteral("three")}), QStringLiteral("%d items"));
    QCOMPARE(tr.GetString(QStringLiteral("hello"), QVariantList{}), QStringLiteral("Привет, %s!"));
    QCOMPARE(tr.GetString(QStringLiteral("TrapEditForm"), QStringLiteral("BtnOk_text"), QStringLiteral(" "), {1}),
             QStringLiteral("OK"));
}

void TestTranslate::windowKeys_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("def");
    QTest::addColumn<QString>("expected");
    QTest::addRow("section name ignores case") << "TrapEditForm" << "Caption" << " " << QStringLiteral("Ловушка");
    QTest::addRow("reference within the section") << "TrapEditForm" << "BtnSave_text" << " " << QStringLiteral("Сохранить");
    QTest::addRow("reference to a reference within the section") << "TrapEditForm" << "BtnDeep_text" << " " << QStringLiteral("Сохранить");
    QTest::addRow("reference cycle within the section stays") << "TrapEditForm" << "BtnLoop_text" << " " << "$BtnLoop_text";
    QTest::addRow("window key from the defaults") << "TrapEditForm" << "BtnOk_text" << " " << "OK";
    QTest::addRow("falls back to Strings") << "TrapEditForm" << "b" << " " << "Hello";
    QTest::addRow("missing key gives the trimmed default") << "TrapEditForm" << "Nothing_text" << " " << "";
    QTest::addRow("missing key gives a given default") << "TrapEditForm" << "Nothing_text" << "Keep" << "Keep";
    QTest::addRow("other window") << "Other" << "Caption" << " " << QStringLiteral("Другое");
    QTest::addRow("section ends at the next one") << "trapeditform" << "Caption" << " " << QStringLiteral("Ловушка");
}

void TestTranslate::windowKeys()
{
    QFETCH(QString, form);
    QFETCH(QString, key);
    QFETCH(QString, def);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    TTranslation tr;
    loadRussian(dir, tr);
    QCOMPARE(tr.GetString(form, key, def), expected);
    QCOMPARE(tr.Section(QStringLiteral("Other")).Count(), 1);
}

void TestTranslate::discovery()
{
    QTemporaryDir dir;
    writeFile(dir, QStringLiteral("defaults.txt"), QString::fromUtf8(DefaultsText));
    writeFile(dir, QStringLiteral("Defaults.txt"), QStringLiteral("[Info]\nlang=Capitalised\n"));
    writeFile(dir, QStringLiteral("ru.txt"), QString::fromUtf8(RussianText));
    writeFile(dir, QStringLiteral("en-US.txt"), QStringLiteral("\xFEFF[Info]\nlang = English (US)\n")); // BOM
    writeFile(dir, QStringLiteral("late.txt"), QStringLiteral("; ") + QString(120, u'x') + QStringLiteral("\n[Info]\nlang=Late\n"));
    writeFile(dir, QStringLiteral("nolang.txt"), QStringLiteral("[Info]\nname=x\n"));
    writeFile(dir, QStringLiteral("notes.md"), QStringLiteral("[Info]\nlang=Markdown\n"));

    TZtHintHash langs;
    QCOMPARE(DiscoverLanguages(dir.path(), langs), 3);
    QCOMPARE(langs.GetVal(QStringLiteral("ru")), QStringLiteral("Русский"));
    QCOMPARE(langs.GetHint(QStringLiteral("ru")), dir.filePath(QStringLiteral("ru.txt")));
    QCOMPARE(langs.GetVal(QStringLiteral("en-US")), QStringLiteral("English (US)"));
    QCOMPARE(langs.GetVal(QStringLiteral("Defaults")), QStringLiteral("Capitalised"));
    QCOMPARE(langs.KeyIndex(QStringLiteral("late")), -1);
    QCOMPARE(langs.KeyIndex(QStringLiteral("nolang")), -1);
    // "defaults" and "Defaults" are one key under the store's rule; only the
    // capitalised file was offered.
    QCOMPARE(langs.GetHint(QStringLiteral("defaults")), dir.filePath(QStringLiteral("Defaults.txt")));

    TZtHintHash none;
    QCOMPARE(DiscoverLanguages(dir.filePath(QStringLiteral("missing")), none), 0);
}

void TestTranslate::missingKeyIsFatal_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("message");
    QTest::addRow("message key") << "message" << "GetString(absent): no string";
    QTest::addRow("window key with empty default") << "window" << "GetString(SomeForm.Absent_text): no string";
}

void TestTranslate::missingKeyIsFatal()
{
    QFETCH(QString, mode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    writeFile(dir, QStringLiteral("defaults.txt"), QString::fromUtf8(DefaultsText));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TST_TRANSLATE_CHILD"), mode);
    env.insert(QStringLiteral("TST_TRANSLATE_DEFAULTS"), dir.filePath(QStringLiteral("defaults.txt")));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 99);
    QVERIFY2(QString::fromLocal8Bit(child.readAllStandardError()).contains(message), qPrintable(message));
    QVERIFY(child.readAllStandardOutput().isEmpty()); // it never got past the lookup
}

// The child process of missingKeyIsFatal: looks up a key nobody has.
static int runChild(const QString &mode)
{
    TTranslation tr;
    try {
        tr.LoadDefaults(qEnvironmentVariable("TST_TRANSLATE_DEFAULTS"));
    } catch (const ETranslationError &) {
        return 3;
    }
    const QString r = mode == QLatin1String("window")
                          ? tr.GetString(QStringLiteral("SomeForm"), QStringLiteral("Absent_text"), QString())
                          : tr.GetString(QStringLiteral("absent"));
    std::printf("survived: %s\n", qPrintable(r));
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString child = qEnvironmentVariable("TST_TRANSLATE_CHILD");
    if (!child.isEmpty())
        return runChild(child);
    TestTranslate t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_translate.moc"
