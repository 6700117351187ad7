#pragma once

#include <QString>

// Decides every file and folder of the program; nothing else builds a path.
//
// Portable layout (the executable's folder is writable: a build tree or an
// unpacked copy): everything lies beside the executable, named after it:
// <exe>.ini, <exe>.conf, <exe>.address, Translations/, MapCache/,
// PhotoCache/, Responses/.
//
// Installed layout (the executable's folder is read-only):
//   settings and configuration  $XDG_CONFIG_HOME/velmora-monitor/
//   MapCache, PhotoCache, Responses  $XDG_CACHE_HOME/velmora-monitor/
//   the address cache  $XDG_DATA_HOME/velmora-monitor/
//   translations  <prefix>/share/velmora-monitor/translations/
//
// Every folder ends with "/". Tests point everything writable at a temporary
// folder with setBaseDir(); translations keep coming from the build tree
// unless setTranslationsDir() says otherwise.
class AppPaths
{
public:
    static QString exeFileName();
    static QString exeDir();
    // The executable's name without folder and extension ("velmora-monitor").
    static QString baseName();
    static bool isPortable();

    static QString configDir();
    static QString cacheDir();
    static QString dataDir();

    static QString iniFileName();
    static QString confFileName();
    static QString addressFileName();
    static QString translationsDir();
    static QString mapCacheDir();
    static QString photoCacheDir();
    static QString responsesDir();

    // Every writable file and folder goes below dir (portable layout); an
    // empty dir returns to the normal choice.
    static void setBaseDir(const QString &dir);
    static QString baseDirOverride();
    static void setTranslationsDir(const QString &dir);

    // Which layout to use; Auto decides by the executable folder's rights.
    // Tests force Installed to check the XDG folders.
    enum class Layout { Auto, Portable, Installed };
    static void setLayout(Layout layout);
};
