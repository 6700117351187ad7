#include "ClientFixture.h"
#include "OSM.ObjectInfo.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScopeGuard>
#include <QTest>

#include <ctime>

static QByteArray picture(const char *format, QColor color)
{
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(color);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

class TstClientPhotos : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noImageNoRequest()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        TObjectInfo oi(7, QStringLiteral("p"));
        oi.has_image = false;
        QVERIFY(!f.client->GetPhoto(&oi));
        QCOMPARE(f.srv.count(), 0);
    }

    // cache file age relative to image_dt, and what it holds
    void cache_data()
    {
        QTest::addColumn<double>("ageHours"); // cache file time minus image_dt
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<bool>("downloads");
        QTest::addColumn<QByteArray>("computerZone"); // the account is at UTC+3
        QTest::addRow("fresh cache") << 24.0 << false << false << QByteArray();
        QTest::addRow("cache older than the photo") << -24.0 << false << true << QByteArray();
        QTest::addRow("damaged cache") << 24.0 << true << true << QByteArray();
        // The file's time is the computer's, the photo's the account's.
        QTest::addRow("fresh by 2 h, computer UTC-11") << 2.0 << false << false << QByteArray("Etc/GMT+11");
        QTest::addRow("older by 2 h, computer UTC-11") << -2.0 << false << true << QByteArray("Etc/GMT+11");
        QTest::addRow("fresh by 2 h, computer UTC+14") << 2.0 << false << false << QByteArray("Etc/GMT-14");
        QTest::addRow("older by 2 h, computer UTC+14") << -2.0 << false << true << QByteArray("Etc/GMT-14");
    }
    void cache()
    {
        QFETCH(double, ageHours);
        QFETCH(bool, damaged);
        QFETCH(bool, downloads);
        QFETCH(QByteArray, computerZone);
        const QByteArray oldTz = qgetenv("TZ");
        const auto restore = qScopeGuard([&] {
            if (oldTz.isEmpty())
                qunsetenv("TZ");
            else
                qputenv("TZ", oldTz);
            tzset();
        });
        if (!computerZone.isEmpty()) {
            qputenv("TZ", computerZone);
            tzset();
        }
        ClientFixture f;
        QVERIFY(f.ok());
        f.client->SetPhotoDir(f.dir.path() + "/PhotoCache");
        QVERIFY(QDir().mkpath(f.client->PhotoDir()));
        const QString cached = f.client->PhotoDir() + "7.jpg";
        {
            QFile c(cached);
            QVERIFY(c.open(QIODevice::WriteOnly));
            c.write(damaged ? QByteArray("not a picture") : picture("JPEG", Qt::blue));
        }
        TObjectInfo oi(7, QStringLiteral("p"));
        oi.has_image = true;
        oi.image_dt = NowInZone(f.client->TimeZone()) - ageHours / 24;
        f.srv.answer("/api/v1/object/7/img", 200, picture("JPEG", Qt::green), "image/jpeg");
        QVERIFY(f.client->GetPhoto(&oi));
        QCOMPARE(f.srv.count(), downloads ? 1 : 0);
        QCOMPARE(oi.photo.size(), QSize(4, 3));
        if (downloads) {
            QCOMPARE(f.client->resultFile(), cached);
            QVERIFY(!QImage(cached).isNull());
            QVERIFY(f.log.contains(" [" + QString::number(QFile(cached).size()) + "]"));
        } else {
            QVERIFY(f.log.contains("GetPhoto(7): cached"));
        }
    }

    void downloadFailures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<qsizetype>("cutAt");
        QTest::addRow("no body") << 200 << QByteArray() << qsizetype(-1);
        QTest::addRow("not a picture") << 200 << QByteArray("<html>oops</html>") << qsizetype(-1);
        QTest::addRow("refused") << 404 << QByteArray() << qsizetype(-1);
        const QByteArray png = picture("PNG", Qt::red);
        QTest::addRow("transfer cut off") << 200 << png << png.size() / 2;
    }
    // Nothing but a whole picture enters the cache.
    void downloadFailures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(qsizetype, cutAt);
        ClientFixture f;
        QVERIFY(f.ok());
        const QString cache = f.dir.path() + "/PhotoCache";
        f.client->SetPhotoDir(cache);
        TObjectInfo oi(7, QStringLiteral("p"));
        oi.has_image = true;
        if (cutAt >= 0)
            f.srv.answerCut("/api/v1/object/7/img", status, body, cutAt, "image/png");
        else
            f.srv.answer("/api/v1/object/7/img", status, body, "image/png");
        QVERIFY(!f.client->GetPhoto(&oi));
        QVERIFY(oi.photo.isNull());
        QCOMPARE(QDir(cache).entryList(QDir::Files), QStringList());
    }

    void postAndDelete()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.client->SetPhotoDir(f.dir.path() + "/PhotoCache");
        QVERIFY(QDir().mkpath(f.client->PhotoDir()));
        const QString png = f.client->PhotoDir() + "7.png";
        const QByteArray bytes = picture("PNG", Qt::red);
        {
            QFile c(png);
            QVERIFY(c.open(QIODevice::WriteOnly));
            c.write(bytes);
        }
        f.srv.answer("POST /api/v1/object/7/img", 204);
        QVERIFY(f.client->PostPhoto(7, png));
        QCOMPARE(f.srv.last().body, bytes);
        QCOMPARE(f.srv.last().header("Content-Type"), QStringLiteral("image/png"));

        TObjectInfo oi(7, QStringLiteral("p"));
        oi.photo = QImage(png);
        f.srv.answer("DELETE /api/v1/object/7/img", 500);
        QVERIFY(!f.client->DeletePhoto(&oi));
        QVERIFY(QFile::exists(png) && !oi.photo.isNull());
        f.srv.answer("DELETE /api/v1/object/7/img", 204);
        QVERIFY(f.client->DeletePhoto(&oi));
        QVERIFY(!QFile::exists(png));
        QVERIFY(oi.photo.isNull());
    }
};

QTEST_GUILESS_MAIN(TstClientPhotos)
#include "tst_client_photos.moc"
