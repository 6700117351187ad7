// Object photos: download with a disk cache, upload and deletion.

#include "client.h"

#include "OSM.ObjectInfo.h"

#include "AppPaths.h"

#include "ZtHttp.h"
#include "common.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const char *const cacheExts[] = {"png", "jpg", "jpeg"};

// PNG for "png", JPEG otherwise, as the cache names them; a file whose
// content does not match its name is still read by its content.
QImage loadPhoto(const QString &file, const QString &ext)
{
    QImage img;
    if (!img.load(file, ext == QLatin1String("png") ? "PNG" : "JPEG"))
        img.load(file);
    return img;
}

} // namespace

QString TVelmoraClient::PhotoDir() const
{
    if (!fPhotoDir.isEmpty())
        return fPhotoDir.endsWith(QLatin1Char('/')) ? fPhotoDir : fPhotoDir + QLatin1Char('/');
    return AppPaths::photoCacheDir();
}

bool TVelmoraClient::GetPhoto(TObjectInfo *oi)
{
    if (!oi || !oi->has_image)
        return false;
    if (!oi->photo.isNull())
        return true;
    try {
        const QString dir = PhotoDir();
        const QString uid = QString::number(oi->uid);
        for (const char *ext : cacheExts) {
            const QString file = dir + uid + QLatin1Char('.') + QLatin1String(ext);
            const QFileInfo fi(file);
            if (!fi.exists())
                continue;
            // The file's time is an instant of the computer's clock, the
            // photo's a wall-clock time of the account's zone.
            const TDateTime written = UnixDateDelta + double(fi.lastModified().toMSecsSinceEpoch()) / 86400000.0 + TimeZone();
            if (written < oi->image_dt)
                continue;
            const QImage img = loadPhoto(file, QLatin1String(ext));
            if (img.isNull())
                continue; // a damaged cache file is fetched again
            LogFormat(QStringLiteral("\rVelmoraClient.GetPhoto(%s): cached"), {uid});
            oi->photo = img;
            oi->ClearIcon();
            return true;
        }

        if (DoGet(QStringLiteral("GetPhoto"), QStringLiteral("/object/%1/img").arg(oi->uid)) != 200)
            return false;
        if (!AnswerError().isEmpty())
            return false; // a cut transfer: named by the envelope, nothing saved
        const TZtHttpsClient &http = *fApiClient;
        if (http.RcvdCount() <= 0) {
            LogText(QStringLiteral(" [no data]"));
            return false;
        }
        LogText(QStringLiteral(" [%1]").arg(http.RcvdCount()));
        const QString ext = ExtOfContentType(http.RcvdContentType());
        const QString file = dir + uid + QLatin1Char('.') + ext;
        fResultFile = file;
        LogFormat(QStringLiteral("uid=%s -> %s"), {uid, file});
        const QByteArray body = http.RcvdData();
        // Decoded before it is saved: what is no picture never enters the cache.
        QImage img;
        if (!img.loadFromData(body, ext == QLatin1String("png") ? "PNG" : "JPEG"))
            img.loadFromData(body);
        if (img.isNull()) {
            LogText(QStringLiteral("\r  X: the answer is not a picture"));
            return false;
        }
        QDir().mkpath(dir);
        QSaveFile f(file);
        qint64 written = -1;
        if (f.open(QIODevice::WriteOnly)) {
            written = f.write(body);
            if (written != body.size() || !f.commit())
                written = -1;
        }
        LogFormat(QStringLiteral(" [%d]"), {qlonglong(written)});
        oi->photo = img;
        oi->ClearIcon();
        return true;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

bool TVelmoraClient::PostPhoto(int32_t Uid, const QString &PhFile)
{
    try {
        return DoPostFile(QStringLiteral("PostPhoto"), QStringLiteral("/object/%1/img").arg(Uid), PhFile) == 204;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

bool TVelmoraClient::DeletePhoto(TObjectInfo *oi)
{
    if (!oi)
        return false;
    try {
        if (DoDel(QStringLiteral("DeletePhoto"), QStringLiteral("/object/%1/img").arg(oi->uid)) != 204)
            return false;
        const QString base = PhotoDir() + QString::number(oi->uid) + QLatin1Char('.');
        for (const char *ext : cacheExts)
            if (QFile::exists(base + QLatin1String(ext)))
                QFile::remove(base + QLatin1String(ext));
        oi->ClearPhoto();
        return true;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}
