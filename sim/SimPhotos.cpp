#include "SimPhotos.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

QByteArray SimPhotos::demoJpeg()
{
    QImage img(320, 240, QImage::Format_RGB32);
    img.fill(QColor(70, 130, 180));
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(250, 220, 180));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(160, 100), 55, 65); // a head
        p.setBrush(QColor(40, 60, 90));
        p.drawRect(90, 170, 140, 70); // shoulders
    }
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    return img.save(&buf, "JPEG", 85) ? out : QByteArray();
}
