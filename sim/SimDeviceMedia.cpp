#include "SimDeviceMedia.h"

#include <QBuffer>
#include <QImage>

namespace {

QByteArray picture(const char *format)
{
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

} // namespace

std::optional<SimDevice::Answer> simMediaAnswer(const QString &command)
{
    const QString cmd = command.trimmed().toLower();
    if (cmd == QLatin1String("get photo"))
        return SimDevice::Answer{QStringLiteral("image/jpeg"), picture("JPG")};
    if (cmd == QLatin1String("get screen"))
        return SimDevice::Answer{QStringLiteral("image/png"), picture("PNG")};
    if (cmd == QLatin1String("get logs")) {
        // An empty ZIP archive: the end-of-central-directory record alone.
        QByteArray zip("PK\x05\x06", 4);
        zip.append(18, '\0');
        return SimDevice::Answer{QStringLiteral("application/zip"), zip};
    }
    if (cmd == QLatin1String("get dump"))
        return SimDevice::Answer{QStringLiteral("application/octet-stream"), QByteArray("\x00\x01\xFE\xFF", 4)};
    if (cmd == QLatin1String("get page"))
        return SimDevice::Answer{QStringLiteral("text/html"),
                                 QStringLiteral("<html><body>Заряд 80%</body></html>").toUtf8()};
    return std::nullopt;
}
