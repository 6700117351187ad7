// The program body: start-up, the address cache, the main window, the
// message loop, and the shared state released at exit.

#include "CommandLine.h"
#include "VelmoraApplication.h"

#include "OSM.AddressCache.h"
#include "common.h"
#include "main.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace {
void SetNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("velmora-monitor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
}

// --help and --version answer on a terminal without a display, so they run
// before the window system is touched.
int AnswerWithoutWindow(TCommandLine::Action action, int argc, char *argv[])
{
    QCoreApplication core(argc, argv);
    SetNames();
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (action == TCommandLine::Action::Help) {
        std::fputs(TCommandLine::Usage(program).toLocal8Bit().constData(), stdout);
        return 0;
    }
    // The version line, then where the translations were found: an installed
    // copy that cannot find them fails here as it would at start.
    InitCommon();
    std::printf("Velmora Monitor %s\n", VELMORA_VERSION);
    QStringList codes;
    for (int i = 0; i < Languages.Count(); ++i)
        codes << Languages.Key(i);
    std::printf("Translations: %s (%s)\n", qPrintable(TranslationsDir), qPrintable(codes.join(QStringLiteral(", "))));
    std::printf("Language: %s\n", LangCode.isEmpty() ? "built-in English" : qPrintable(LangCode));
    DoneCommon();
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const TCommandLine::Action early = TCommandLine::Parse(raw);
    if (early == TCommandLine::Action::Help || early == TCommandLine::Action::Version)
        return AnswerWithoutWindow(early, argc, argv);

    TVelmoraApplication app(argc, argv);
    // Qt has taken its own options (-platform, -style ...) out by now; any
    // other option is a mistake.
    QString bad;
    if (TCommandLine::Parse(QCoreApplication::arguments().mid(1), &bad) == TCommandLine::Action::Error) {
        const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        std::fprintf(stderr, "%s: unknown option %s\n\n%s", qPrintable(program), qPrintable(bad),
                     qPrintable(TCommandLine::Usage(program)));
        return 2;
    }
    SetNames();
    QApplication::setApplicationDisplayName(QStringLiteral("VELMORA"));

    // Folders, settings, configuration (file, [Config], key=value arguments),
    // languages and the translation; a translation that cannot be loaded is
    // fatal there.
    InitCommon();

    std::unique_ptr<TAddressCache> cache;
    try {
        cache = std::make_unique<TAddressCache>(AddressFileName);
    } catch (const std::exception &e) {
        FatalError(QStringLiteral("Load address cache:"), QString::fromUtf8(e.what()));
    }
    AddressCache = cache.get();

    int rc = 0;
    {
        auto win = std::make_unique<TMonitorMainWin>();
        app.OnException = [w = win.get()](const QString &message) { w->AppEventsException(message); };
        win->show();
        rc = QApplication::exec();
        app.OnException = nullptr;
    }

    // Exit: the configuration and the settings first, the address cache last
    // (it saves itself).
    DoneCommon();
    AddressCache = nullptr;
    cache.reset();
    return rc;
}
