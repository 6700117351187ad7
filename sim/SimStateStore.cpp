#include "SimStateStore.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

bool SimStateStore::load(const QString &path, QJsonObject &out, QString *error)
{
    out = QJsonObject();
    QFile f(path);
    if (!f.exists())
        return true;
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return false;
    }
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &pe);
    if (pe.error != QJsonParseError::NoError || !doc.isObject()) {
        if (error)
            *error = QStringLiteral("%1 is not a state file: %2").arg(path, pe.errorString());
        return false;
    }
    out = doc.object();
    return true;
}

bool SimStateStore::save(const QString &path, const QJsonObject &state, QString *error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    f.write(QJsonDocument(state).toJson(QJsonDocument::Indented));
    if (!f.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    // The state holds passwords and tokens.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}
