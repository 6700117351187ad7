#pragma once

// The process-wide state that exists before the main window and lives until
// exit: paths, the settings file, the configuration, the languages, the
// loaded translation and a few values derived from the system.

#include "AppPaths.h"
#include "ZtFormat.h"
#include "ZtHash.h"
#include "ZtIniFile.h"
#include "translate.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

class QObject;

// The log sink: a format text and its values; ArgCount -1 logs Fmt unchanged,
// otherwise it is Args.size(). Receivers format with FormatLogText().
using TLogCallback = std::function<void(const QString &Fmt, const QVariantList &Args, int ArgCount)>;
// The command channel from the map layer, zone editor, trip list and device
// dialogs to the main window.
using TCmdCallback = std::function<int(QObject *Sender, const QString &Action, const QString &Subj, const QStringList &Args)>;

// Paths; folders end with "/". See AppPaths for where they lie.
extern QString ExeFileName;
extern QString ExeDir;
extern QString PhotoCacheDir;
extern QString TranslationsDir;
extern QString IniFileName;
extern QString ConfFileName;
// The address cache file; the program body loads the cache from it.
extern QString AddressFileName;

// Language code -> language name, hint = the translation file's path.
extern TZtHintHash Languages;
extern TZtIniFile IniFile;
extern TZtHash Config;
// Local standard-time offset east of UTC, in days (no daylight saving).
extern double TimeZoneOffset;
// The user's locale as "en-US"; empty when unknown.
extern QString UserLocaleName;
// The language actually loaded; empty when only the defaults are.
extern QString LangCode;
extern TTranslation Translation;
// 0, 5 ("a...") or 9 ("e...") from the configuration value user_level.
extern int UserLevel;

// The whole start-up before the main window: folders, languages, settings,
// configuration, time zone, locale, translation, user level. A translation
// that cannot be loaded is fatal.
void InitCommon();
// Steps of InitCommon, usable on their own (tests call them after pointing
// AppPaths at a temporary folder).
void InitPaths();
// Rebuilds Config from the configuration file, the settings section [Config]
// (non-empty values) and the command line, later layers winning. Config is
// not cleared first.
void LoadConfig();
void LoadConfig(const QStringList &CommandLine);
// Chooses the language (Config lang, then [Main] Language, then the user
// locale), falling back to its language part ("en" for "en-US") and then to
// the defaults alone; loads it with defaults.txt. False with the error text
// when defaults.txt (or a listed language file) cannot be loaded.
bool LoadTranslation(QString *Error = nullptr);
int UserLevelOf(const QString &value);
double SystemTimeZoneOffset();
QString SystemUserLocaleName();
// Releases the state at exit.
void DoneCommon();

// Writes Prefix CR Message (trimmed) to standard error, shows it in a modal
// box captioned "Fatal error" when a display is available, and ends the
// process with exit code 99.
[[noreturn]] void FatalError(const QString &Prefix, const QString &Message);
