#include "ZtFiles.h"
#include "common.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>

#include <memory>

// Every test points the program's folders at a fresh temporary folder: the
// settings, configuration and caches live there, translations in its
// subfolder "tr".
class TestCommon : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void foldersFollowTheBase();
    void installedLayoutUsesXdgFolders();
    void configLayers_data();
    void configLayers();
    void configIsNotClearedOnReload();
    void userLevel_data();
    void userLevel();
    void languageChoice_data();
    void languageChoice();
    void startUp();
    void fatalErrors_data();
    void fatalErrors();

private:
    void writeIni(const QString &text) { WriteTextFile(AppPaths::iniFileName(), text); }
    void writeConf(const QString &text) { WriteTextFile(AppPaths::confFileName(), text); }
    void writeTranslation(const QString &name, const QString &lang)
    {
        WriteTextFile(fDir->filePath(QStringLiteral("tr/") + name),
                      QStringLiteral("[Info]\nlang=%1\n[Strings]\nhello=%1\n").arg(lang));
    }
    std::unique_ptr<QTemporaryDir> fDir;
};

void TestCommon::init()
{
    fDir = std::make_unique<QTemporaryDir>();
    QVERIFY(fDir->isValid());
    QVERIFY(QDir(fDir->path()).mkdir(QStringLiteral("tr")));
    AppPaths::setBaseDir(fDir->path());
    AppPaths::setTranslationsDir(fDir->filePath(QStringLiteral("tr")));
    Config.Clear();
    Languages.Clear();
    Translation.Clear();
}

void TestCommon::cleanup()
{
    DoneCommon();
    AppPaths::setBaseDir(QString());
    AppPaths::setTranslationsDir(QString());
}

void TestCommon::foldersFollowTheBase()
{
    const QString base = NormalizeDir(fDir->path());
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    InitPaths();
    QCOMPARE(IniFileName, base + exe + QStringLiteral(".ini"));
    QCOMPARE(ConfFileName, base + exe + QStringLiteral(".conf"));
    QCOMPARE(AddressFileName, base + exe + QStringLiteral(".address"));
    QCOMPARE(PhotoCacheDir, base + QStringLiteral("PhotoCache/"));
    QVERIFY(QFileInfo(PhotoCacheDir).isDir()); // created
    QCOMPARE(AppPaths::mapCacheDir(), base + QStringLiteral("MapCache/"));
    QCOMPARE(AppPaths::responsesDir(), base + QStringLiteral("Responses/"));
    QCOMPARE(TranslationsDir, base + QStringLiteral("tr/"));
    QCOMPARE(ExeDir, NormalizeDir(QCoreApplication::applicationDirPath()));

    // Without overrides the build tree is a portable copy: all beside the executable.
    AppPaths::setBaseDir(QString());
    AppPaths::setTranslationsDir(QString());
    if (!AppPaths::isPortable())
        QSKIP("the build folder is read-only");
    QCOMPARE(AppPaths::iniFileName(), AppPaths::exeDir() + exe + QStringLiteral(".ini"));
    QCOMPARE(AppPaths::translationsDir(), AppPaths::exeDir() + QStringLiteral("Translations/"));
}

void TestCommon::installedLayoutUsesXdgFolders()
{
    AppPaths::setBaseDir(QString());
    AppPaths::setTranslationsDir(QString());
    AppPaths::setLayout(AppPaths::Layout::Installed);
    const QString base = NormalizeDir(fDir->path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + QStringLiteral("config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(base + QStringLiteral("cache")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(base + QStringLiteral("data")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(base + QStringLiteral("share")));
    QVERIFY(QDir().mkpath(base + QStringLiteral("share/velmora-monitor/translations")));
    const QString exe = AppPaths::baseName();

    InitPaths();
    AppPaths::setLayout(AppPaths::Layout::Auto);
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CACHE_HOME");
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");

    QCOMPARE(IniFileName, base + QStringLiteral("config/velmora-monitor/") + exe + QStringLiteral(".ini"));
    QCOMPARE(ConfFileName, base + QStringLiteral("config/velmora-monitor/") + exe + QStringLiteral(".conf"));
    QCOMPARE(AddressFileName, base + QStringLiteral("data/velmora-monitor/") + exe + QStringLiteral(".address"));
    QCOMPARE(PhotoCacheDir, base + QStringLiteral("cache/velmora-monitor/PhotoCache/"));
    QVERIFY(QFileInfo(PhotoCacheDir).isDir());
    QVERIFY(QFileInfo(base + QStringLiteral("config/velmora-monitor")).isDir()); // ready for the first write
    QCOMPARE(TranslationsDir, base + QStringLiteral("share/velmora-monitor/translations/"));
}

void TestCommon::configLayers_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("server");
    const QString ini = QStringLiteral("[Config]\nserver=https://b.example\n");
    QTest::addRow("command line wins") << ini << QStringList{"server=https://c.example"} << "https://c.example";
    QTest::addRow("settings beat the file") << ini << QStringList{} << "https://b.example";
    QTest::addRow("empty settings value does not override") << "[Config]\nserver=\n" << QStringList{} << "https://a.example";
    QTest::addRow("setting keys ignore case") << "[config]\nSERVER=https://b.example\n" << QStringList{}
                                              << "https://b.example";
    QTest::addRow("other arguments ignored") << ini << QStringList{"verbose", "/x=1"} << "https://b.example";
}

void TestCommon::configLayers()
{
    QFETCH(QString, ini);
    QFETCH(QStringList, args);
    QFETCH(QString, server);
    writeConf(QStringLiteral("# deployment\nserver = https://a.example\nmap_cache_size=50\n"));
    writeIni(ini);
    InitPaths();
    LoadConfig(args);
    QCOMPARE(Config.GetVal(QStringLiteral("server")), server);
    QCOMPARE(Config.AsInteger(QStringLiteral("map_cache_size")), qint64(50));
}

void TestCommon::configIsNotClearedOnReload()
{
    writeIni(QStringLiteral("[Config]\nlang=ru\ntimezone=3\n"));
    InitPaths();
    LoadConfig(QStringList{});
    QVERIFY(IniFile.DeleteKey(QStringLiteral("Config"), QStringLiteral("lang")));
    IniFile.WriteString(QStringLiteral("Config"), QStringLiteral("timezone"), QStringLiteral("5"));
    LoadConfig(QStringList{});
    QCOMPARE(Config.GetVal(QStringLiteral("lang")), QStringLiteral("ru")); // kept until restart
    QCOMPARE(Config.GetVal(QStringLiteral("timezone")), QStringLiteral("5"));
}

void TestCommon::userLevel_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("level");
    QTest::addRow("Expert") << "Expert" << 9;
    QTest::addRow("admin") << "admin" << 5;
    QTest::addRow("1") << "1" << 0;
    QTest::addRow("empty") << "" << 0;
}

void TestCommon::userLevel()
{
    QFETCH(QString, value);
    QFETCH(int, level);
    QCOMPARE(UserLevelOf(value), level);
}

void TestCommon::languageChoice_data()
{
    QTest::addColumn<QString>("confLang");
    QTest::addColumn<QString>("iniLang");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("langCode");
    QTest::addColumn<QString>("hello");
    QTest::addRow("configured code") << "ru" << "en" << "en-US" << "ru" << "Русский";
    QTest::addRow("settings when not configured") << "" << "ru" << "en-US" << "ru" << "Русский";
    QTest::addRow("locale last") << "" << "" << "ru" << "ru" << "Русский";
    QTest::addRow("exact locale file") << "" << "" << "en-US" << "en-US" << "US English";
    QTest::addRow("language part of the locale") << "" << "" << "ru-RU" << "ru" << "Русский";
    QTest::addRow("unknown code: defaults only") << "xx" << "" << "en-US" << "" << "Defaults";
    QTest::addRow("no code at all: defaults only") << "" << "" << "" << "" << "Defaults";
}

void TestCommon::languageChoice()
{
    QFETCH(QString, confLang);
    QFETCH(QString, iniLang);
    QFETCH(QString, locale);
    QFETCH(QString, langCode);
    QFETCH(QString, hello);
    writeTranslation(QStringLiteral("defaults.txt"), QStringLiteral("Defaults"));
    writeTranslation(QStringLiteral("ru.txt"), QStringLiteral("Русский"));
    writeTranslation(QStringLiteral("en-US.txt"), QStringLiteral("US English"));
    if (!confLang.isEmpty())
        writeConf(QStringLiteral("lang=") + confLang);
    if (!iniLang.isEmpty())
        writeIni(QStringLiteral("[Main]\nLanguage=") + iniLang);
    InitPaths();
    DiscoverLanguages(TranslationsDir, Languages);
    LoadConfig(QStringList{});
    UserLocaleName = locale;
    if (langCode != locale && langCode != confLang && langCode != iniLang)
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("^Translation: no file")));
    QString error;
    QVERIFY2(LoadTranslation(&error), qPrintable(error));
    QCOMPARE(LangCode, langCode);
    QCOMPARE(Translation.GetString(QStringLiteral("hello")), hello);
}

void TestCommon::startUp()
{
    writeTranslation(QStringLiteral("defaults.txt"), QStringLiteral("Defaults"));
    writeTranslation(QStringLiteral("ru.txt"), QStringLiteral("Русский"));
    writeConf(QStringLiteral("lang=ru\nuser_level=admin\n"));
    InitCommon();
    QCOMPARE(LangCode, QStringLiteral("ru"));
    QCOMPARE(Languages.GetVal(QStringLiteral("ru")), QStringLiteral("Русский"));
    QCOMPARE(Languages.KeyIndex(QStringLiteral("defaults")), -1);
    QCOMPARE(UserLevel, 5);
    QCOMPARE(IniFile.FileName(), AppPaths::iniFileName());
    QVERIFY(TimeZoneOffset > -1 && TimeZoneOffset < 1);
    QVERIFY(!UserLocaleName.contains(u'_'));
}

void TestCommon::fatalErrors_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("stderrText");
    QTest::addRow("direct") << "direct" << "Fatal error: Load address cache:\nbad line 3";
    QTest::addRow("no defaults file") << "startup" << "Fatal error: Load translation:\nDefaults translation file [";
}

void TestCommon::fatalErrors()
{
    QFETCH(QString, mode);
    QFETCH(QString, stderrText);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TST_COMMON_CHILD"), mode);
    env.insert(QStringLiteral("TST_COMMON_BASE"), fDir->path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 99);
    const QString err = QString::fromLocal8Bit(child.readAllStandardError());
    QVERIFY2(err.contains(stderrText), qPrintable(err));
    QVERIFY(child.readAllStandardOutput().isEmpty());
}

// The child process of fatalErrors.
static int runChild(const QString &mode)
{
    const QString base = qEnvironmentVariable("TST_COMMON_BASE");
    AppPaths::setBaseDir(base);
    AppPaths::setTranslationsDir(base + QStringLiteral("/tr")); // holds no defaults.txt
    if (mode == QLatin1String("direct"))
        FatalError(QStringLiteral("Load address cache:"), QStringLiteral("bad line 3  "));
    InitCommon();
    std::printf("started\n");
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString child = qEnvironmentVariable("TST_COMMON_CHILD");
    if (!child.isEmpty())
        return runChild(child);
    TestCommon t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_common.moc"
