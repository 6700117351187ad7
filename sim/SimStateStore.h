#pragma once

#include <QJsonObject>
#include <QString>

// The --state file: one JSON document, replaced atomically on every write so
// that a crash never leaves half a file behind.
class SimStateStore
{
public:
    // False with an error text when the file cannot be read or is not a JSON
    // object; a missing file reads as an empty object.
    static bool load(const QString &path, QJsonObject &out, QString *error);
    static bool save(const QString &path, const QJsonObject &state, QString *error);
};
