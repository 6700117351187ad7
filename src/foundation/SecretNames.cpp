#include "SecretNames.h"

#include <QUrl>

bool IsSecretName(const QString &Key)
{
    // Compared decoded: "pass%77ord" is a password field too.
    const QString key = QUrl::fromPercentEncoding(Key.trimmed().toUtf8()).toLower();
    for (const char *word : {"pass", "token", "key", "secret"})
        if (key.contains(QLatin1String(word)))
            return true;
    return false;
}

QString ValueForLog(const QString &Key, const QString &Value)
{
    return IsSecretName(Key) ? QStringLiteral("***") : Value;
}
