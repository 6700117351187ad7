#include "AppPaths.h"

#include "ZtFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString AppFolder = QStringLiteral("velmora-monitor");

QString &baseOverride()
{
    static QString dir;
    return dir;
}

QString &translationsOverride()
{
    static QString dir;
    return dir;
}

AppPaths::Layout &layoutOverride()
{
    static AppPaths::Layout layout = AppPaths::Layout::Auto;
    return layout;
}

QString xdgDir(QStandardPaths::StandardLocation loc)
{
    return NormalizeDir(QStandardPaths::writableLocation(loc) + u'/' + AppFolder);
}
} // namespace

QString AppPaths::exeFileName()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString AppPaths::exeDir() { return NormalizeDir(QFileInfo(exeFileName()).absolutePath()); }

QString AppPaths::baseName()
{
    const QString name = QFileInfo(exeFileName()).completeBaseName();
    return name.isEmpty() ? AppFolder : name;
}

bool AppPaths::isPortable()
{
    if (!baseOverride().isEmpty())
        return true;
    if (layoutOverride() != Layout::Auto)
        return layoutOverride() == Layout::Portable;
    // An installed copy (<prefix>/bin beside <prefix>/share/velmora-monitor)
    // stays installed even when its folder is writable, as /usr/bin is for
    // root: settings must not land in the program's folder.
    if (!QFileInfo::exists(exeDir() + QStringLiteral("Translations"))
        && QFileInfo::exists(exeDir() + QStringLiteral("../share/") + AppFolder + QStringLiteral("/translations")))
        return false;
    return QFileInfo(exeDir()).isWritable();
}

QString AppPaths::configDir()
{
    if (!baseOverride().isEmpty())
        return baseOverride();
    return isPortable() ? exeDir() : xdgDir(QStandardPaths::GenericConfigLocation);
}

QString AppPaths::cacheDir()
{
    if (!baseOverride().isEmpty())
        return baseOverride();
    return isPortable() ? exeDir() : xdgDir(QStandardPaths::GenericCacheLocation);
}

QString AppPaths::dataDir()
{
    if (!baseOverride().isEmpty())
        return baseOverride();
    return isPortable() ? exeDir() : xdgDir(QStandardPaths::GenericDataLocation);
}

QString AppPaths::iniFileName() { return configDir() + baseName() + QStringLiteral(".ini"); }
QString AppPaths::confFileName() { return configDir() + baseName() + QStringLiteral(".conf"); }
QString AppPaths::addressFileName() { return dataDir() + baseName() + QStringLiteral(".address"); }
QString AppPaths::mapCacheDir() { return cacheDir() + QStringLiteral("MapCache/"); }
QString AppPaths::photoCacheDir() { return cacheDir() + QStringLiteral("PhotoCache/"); }
QString AppPaths::responsesDir() { return cacheDir() + QStringLiteral("Responses/"); }

QString AppPaths::translationsDir()
{
    if (!translationsOverride().isEmpty())
        return translationsOverride();
    const QString beside = exeDir() + QStringLiteral("Translations/");
    if (isPortable())
        return beside;
    // Installed: <prefix>/bin/<exe> next to <prefix>/share/velmora-monitor/translations,
    // else wherever $XDG_DATA_DIRS has them.
    const QString shared = NormalizeDir(QDir::cleanPath(exeDir() + QStringLiteral("../share/") + AppFolder + QStringLiteral("/translations")));
    if (QFileInfo::exists(shared))
        return shared;
    const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation, AppFolder + QStringLiteral("/translations"),
                                                 QStandardPaths::LocateDirectory);
    if (!found.isEmpty())
        return NormalizeDir(found);
    return QFileInfo::exists(beside) ? beside : shared;
}

void AppPaths::setBaseDir(const QString &dir) { baseOverride() = dir.isEmpty() ? QString() : NormalizeDir(dir); }
QString AppPaths::baseDirOverride() { return baseOverride(); }
void AppPaths::setLayout(Layout layout) { layoutOverride() = layout; }
void AppPaths::setTranslationsDir(const QString &dir) { translationsOverride() = dir.isEmpty() ? QString() : NormalizeDir(dir); }
