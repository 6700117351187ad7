#include "common.h"

#include "ZtSmallUtils.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimeZone>

#include <cstdio>
#include <cstdlib>

QString ExeFileName;
QString ExeDir;
QString PhotoCacheDir;
QString TranslationsDir;
QString IniFileName;
QString ConfFileName;
QString AddressFileName;
TZtHintHash Languages;
TZtIniFile IniFile;
TZtHash Config;
double TimeZoneOffset = 0;
QString UserLocaleName;
QString LangCode;
TTranslation Translation;
int UserLevel = 0;

void InitPaths()
{
    ExeFileName = AppPaths::exeFileName();
    ExeDir = AppPaths::exeDir();
    PhotoCacheDir = AppPaths::photoCacheDir();
    QDir().mkpath(PhotoCacheDir); // a failure shows later, when a photo is saved
    TranslationsDir = AppPaths::translationsDir();
    IniFileName = AppPaths::iniFileName();
    ConfFileName = AppPaths::confFileName();
    AddressFileName = AppPaths::addressFileName();
    // The settings and cache folders may not exist yet in the XDG layout.
    QDir().mkpath(AppPaths::configDir());
    QDir().mkpath(AppPaths::dataDir());
    IniFile.Open(IniFileName);
}

void LoadConfig()
{
    LoadConfig(QCoreApplication::instance() ? QCoreApplication::arguments().mid(1) : QStringList());
}

void LoadConfig(const QStringList &CommandLine)
{
    Config.Load(ConfFileName, true, QStringLiteral("=\t "));
    for (const QString &key : IniFile.ReadSection(QStringLiteral("Config"))) {
        const QString value = IniFile.ReadString(QStringLiteral("Config"), key);
        if (!value.isEmpty())
            Config.SetVal(key, value);
    }
    Config.AssignCommandLine(CommandLine);
}

double SystemTimeZoneOffset()
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    return double(zone.standardTimeOffset(QDateTime::currentDateTime())) / 86400.0;
}

QString SystemUserLocaleName()
{
    QString name = QLocale::system().name();
    if (name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return QString();
    return name.replace(u'_', u'-');
}

int UserLevelOf(const QString &value)
{
    const QString v = value.left(1).toLower();
    if (v == QLatin1String("a"))
        return 5;
    if (v == QLatin1String("e"))
        return 9;
    return 0;
}

bool LoadTranslation(QString *Error)
{
    QString code = Config.Get(QStringLiteral("lang"), QString());
    if (code.isEmpty())
        code = IniFile.ReadString(QStringLiteral("Main"), QStringLiteral("Language"), UserLocaleName);
    code = TrimWs(code);

    // A code without a file falls back to its language part, then to the
    // defaults alone: a missing language must not stop the program.
    QStringList candidates;
    if (!code.isEmpty())
        candidates << code;
    const QString langPart = code.section(QRegularExpression(QStringLiteral("[-_]")), 0, 0);
    if (!langPart.isEmpty() && langPart != code)
        candidates << langPart;
    QString chosen, file;
    for (const QString &c : candidates) {
        file = Languages.GetHint(c);
        if (!file.isEmpty()) {
            chosen = c;
            break;
        }
    }

    try {
        if (file.isEmpty())
            Translation.Clear();
        else
            Translation.Load(file);
        Translation.LoadDefaults(TranslationsDir + QStringLiteral("defaults.txt"));
    } catch (const ETranslationError &e) {
        if (Error)
            *Error = e.message();
        return false;
    }
    LangCode = chosen;
    if (chosen.isEmpty())
        qInfo("Translation: no file for language \"%s\"; using the defaults only", qPrintable(code));
    else if (chosen != code)
        qInfo("Translation: no file for language \"%s\"; using \"%s\"", qPrintable(code), qPrintable(chosen));
    return true;
}

void InitCommon()
{
    InitPaths();
    Languages.Clear();
    DiscoverLanguages(TranslationsDir, Languages);
    LoadConfig();
    TimeZoneOffset = SystemTimeZoneOffset();
    UserLocaleName = SystemUserLocaleName();
    QString error;
    if (!LoadTranslation(&error))
        FatalError(QStringLiteral("Load translation:"), error);
    UserLevel = UserLevelOf(Config.Get(QStringLiteral("user_level"), QStringLiteral("0")));
}

void DoneCommon()
{
    Config.Clear();
    IniFile = TZtIniFile();
    Languages.Clear();
    Translation.Clear();
}

void FatalError(const QString &Prefix, const QString &Message)
{
    QString text = TrimWs(Prefix + u'\r' + Message);
    text.replace(u'\r', u'\n');
    std::fprintf(stderr, "Fatal error: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (app) {
        const QString platform = QGuiApplication::platformName();
        if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
            QMessageBox::critical(nullptr, QStringLiteral("Fatal error"), text);
    }
    std::fflush(stdout);
    std::_Exit(99);
}
