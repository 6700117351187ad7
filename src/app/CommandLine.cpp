#include "CommandLine.h"

#include <algorithm>

namespace {
struct KeyHelp
{
    const char *key;
    const char *text;
};

// The configuration keys a user may set on the command line, as the README
// lists them.
const KeyHelp Keys[] = {
    {"server", "base address of the service (scheme, host, optional port)"},
    {"token", "API token, used when no token is remembered"},
    {"timezone", "time-zone offset for the service's times when the account has none"},
    {"lang", "language code: the base name of a translation file (en, ru)"},
    {"user", "user name offered by the sign-in dialog"},
    {"pass", "password filled in when the sign-in user name equals user"},
    {"autologon", "start the automatic sign-in countdown (1/true/yes/on)"},
    {"autologon_timeout", "length of that countdown, seconds (10)"},
    {"map_cache_size", "disk tile cache size, megabytes (0)"},
    {"map_cache_max_age", "age in days after which cached tiles are deleted at start (30)"},
    {"quick_dump_hours", "hours covered by the quick request of the last messages (1)"},
    {"user_level", "admin... gives level 5, expert... level 9"},
    {"ca_file", "PEM file of extra trusted certificates for the service's TLS"},
    {"tls_verify", "0 switches certificate checking off (1)"},
    {"tile_url", "tile server URL pattern with {z}/{x}/{y}"},
    {"tile_url_hidpi", "tile URL pattern for screens with a device pixel ratio above 1"},
    {"tile_user_agent", "User-Agent sent to the tile server"},
    {"update_interval", "seconds between the updates of the object list (60)"},
    {"close_to_tray", "closing the window hides it in the tray (0)"},
    {"answer_max_mb", "largest service answer (lists, tracks), megabytes (512)"},
    {"device_answer_max_mb", "largest device answer to a command, megabytes (32)"},
    {"photo_max_mb", "largest object photo, megabytes (32)"},
    {"tile_max_kb", "largest map tile, kilobytes (1024)"},
    {"call_deadline", "seconds a service call may take in all (120)"},
    {"track_deadline", "seconds a track request may take in all (600)"},
};
} // namespace

TCommandLine::Action TCommandLine::Parse(const QStringList &args, QString *error)
{
    for (const QString &a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h") || a == QLatin1String("-?"))
            return Action::Help;
        if (a == QLatin1String("--version") || a == QLatin1String("-v"))
            return Action::Version;
    }
    for (const QString &a : args) {
        if (a.startsWith(u'-')) {
            if (error)
                *error = a;
            return Action::Error;
        }
    }
    return Action::Run;
}

QString TCommandLine::Usage(const QString &program)
{
    QString text = QStringLiteral("Usage: %1 [key=value ...]\n"
                                  "       %1 --help | --version\n\n"
                                  "Desktop client of the Velmora GPS-tracking service.\n\n"
                                  "Options:\n"
                                  "  -h, --help     show this text and exit\n"
                                  "  -v, --version  show the version and the translations found, and exit\n\n"
                                  "Configuration keys (override the configuration file and the settings):\n")
                       .arg(program);
    // The column is as wide as the longest key, with a blank after it.
    qsizetype width = 0;
    for (const KeyHelp &k : Keys)
        width = std::max(width, qsizetype(qstrlen(k.key)) + 1);
    for (const KeyHelp &k : Keys)
        text += QStringLiteral("  %1%2\n").arg(QString::fromLatin1(k.key), -int(width)).arg(QString::fromLatin1(k.text));
    return text;
}
