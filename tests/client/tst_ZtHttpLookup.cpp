// A transfer given up while its host name is still being looked up returns
// at once: closing the program must not wait for the system's resolver.
// This program answers the lookup of one name itself, slowly (the others go
// to the system), so it runs alone, apart from the other HTTP tests.

#include "ZtHttpEngine.h"

#include <QElapsedTimer>
#include <QTest>

#include <chrono>
#include <cstring>
#include <dlfcn.h>
#include <netdb.h>
#include <thread>

namespace {
constexpr const char *SlowName = "lookup-hangs.test";
constexpr int LookupSeconds = 4;
} // namespace

// Found before the C library's: libcurl's resolver thread calls this one.
extern "C" int getaddrinfo(const char *node, const char *service, const struct addrinfo *hints,
                           struct addrinfo **res)
{
    if (node && std::strcmp(node, SlowName) == 0) {
        std::this_thread::sleep_for(std::chrono::seconds(LookupSeconds));
        return EAI_AGAIN;
    }
    using Fn = int (*)(const char *, const char *, const struct addrinfo *, struct addrinfo **);
    static const auto real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "getaddrinfo"));
    return real ? real(node, service, hints, res) : EAI_FAIL;
}

class TestZtHttpLookup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void givenUpLookupReturnsAtOnce()
    {
        TZtHttpEngineRequest request;
        request.url = QStringLiteral("http://%1:8080/api").arg(QLatin1String(SlowName));
        request.connectTimeoutMs = 300; // covers the lookup
        QByteArray body;
        QElapsedTimer t;
        t.start();
        const TZtHttpEngineResult result = TZtHttpEngine::Perform(request, body);
        const qint64 elapsed = t.elapsed();
        QVERIFY(!result.error.isEmpty());
        QVERIFY(result.status != 200);
        QVERIFY2(elapsed < (LookupSeconds - 2) * 1000,
                 qPrintable(QStringLiteral("waited %1 ms for the lookup").arg(elapsed)));
    }
};

QTEST_GUILESS_MAIN(TestZtHttpLookup)
#include "tst_ZtHttpLookup.moc"
