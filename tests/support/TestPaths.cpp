#include "TestPaths.h"

#include <QDir>

namespace {
QString fromEnv(const char *name, const QString &fallback)
{
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? fallback : v;
}
}

QString TestPaths::dataDir() { return fromEnv("VELMORA_TEST_DATA", QStringLiteral("tests/data")); }
QString TestPaths::binDir() { return fromEnv("VELMORA_BIN_DIR", QStringLiteral(".")); }
QString TestPaths::sourceDir() { return fromEnv("VELMORA_SOURCE_DIR", QStringLiteral(".")); }

QString TestPaths::artifactsDir()
{
    const QString dir = fromEnv("VELMORA_ARTIFACTS", QDir::tempPath() + QStringLiteral("/velmora-artifacts"));
    QDir().mkpath(dir);
    return dir;
}
