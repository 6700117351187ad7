#pragma once

#include <QString>

// Whether a form field or query parameter is named like a secret: a password
// (pass, upass, password, ...), a token or a key. Every log line that shows
// request data shows such a value as "***" instead.
bool IsSecretName(const QString &Key);

// Value, or "***" when Key is named like a secret.
QString ValueForLog(const QString &Key, const QString &Value);
