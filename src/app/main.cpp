// The program body: start-up, the address cache, the main window, the
// message loop, and the shared state released at exit.

#include "VelmoraApplication.h"

#include "OSM.AddressCache.h"
#include "common.h"
#include "main.h"

#include <memory>

int main(int argc, char *argv[])
{
    TVelmoraApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora-monitor"));
    // No display name: the platform would append it to every window title.
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));

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
