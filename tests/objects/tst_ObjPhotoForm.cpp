#include "ObjPhotoForm.h"
#include "OSM.ObjectInfo.h"
#include "SimProcess.h"
#include "TestPaths.h"
#include "client.h"
#include "common.h"

#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

// The photo dialog against velmora-sim: pictures set, cropped and uploaded,
// and the cache left alone when the service refuses.
class tst_ObjPhotoForm : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString picture(const QString &name, int w, int h)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::darkGreen);
        for (int y = 0; y < h; ++y)
            for (int x = w / 2 - 6; x <= w / 2 + 6; ++x)
                img.setPixel(x, y, qRgb(255, 0, 0)); // a red band down the middle
        const QString file = dir.filePath(name);
        return img.save(file) ? file : QString();
    }

    struct Fixture
    {
        QString log;
        std::unique_ptr<TVelmoraClient> client;
        QTemporaryDir cache;
        TObjectInfo *object = nullptr;
        QStringList warnings;
        TObjPhotoForm form;
        Fixture(const SimProcess &sim)
        {
            client = sim.demoClient(&log);
            if (!client || client->GetObjects() <= 0)
                return;
            client->SetPhotoDir(cache.path() + QLatin1Char('/'));
            object = client->ObjList().front().get();
            form.Warn = [this](const QString &c, const QString &t) { warnings << c + QStringLiteral(": ") + t; };
            form.Ask = [](const QString &, const QString &) { return true; };
            form.Open(client.get(), object);
            form.show();
        }
        QString cacheFile() const { return cache.filePath(QString::number(object->uid) + QStringLiteral(".png")); }
    };

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        Translation.LoadDefaults(TestPaths::sourceDir() + QStringLiteral("/translations/defaults.txt"));
    }

    void setPhoto_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addRow("wide PNG") << "wide.png" << 1200 << 600;
        QTest::addRow("JPEG") << "photo.jpg" << 900 << 1200;
        QTest::addRow("PNG smaller than the square") << "small.png" << 200 << 120;
    }
    void setPhoto()
    {
        QFETCH(QString, file);
        QFETCH(int, width);
        QFETCH(int, height);
        SimProcess sim;
        QVERIFY(sim.start());
        Fixture f(sim);
        QVERIFY(f.object);
        QVERIFY(f.form.LoadPicture(picture(file, width, height)));
        QVERIFY(f.form.ButSave->isEnabled());
        // Fitted to the box's width; the wheel cannot go below that, nor past the limit.
        const double fit = double(f.form.PhotoScroller->viewport()->width()) / width;
        QVERIFY(std::fabs(f.form.ScaleFactor() - fit) < 1e-9 || fit > TObjPhotoForm::MaxScale);
        f.form.Zoom(fit / 2);
        QVERIFY(f.form.ScaleFactor() >= fit - 1e-9);
        f.form.Zoom(1000);
        QVERIFY(f.form.ScaleFactor() <= std::max(TObjPhotoForm::MaxScale, fit));
        f.form.Zoom(0);

        QTest::mouseClick(f.form.ButSave, Qt::LeftButton);
        QVERIFY2(f.warnings.isEmpty(), qPrintable(f.warnings.join('\n') + f.log.right(300)));
        QCOMPARE(f.form.result(), int(QDialog::Accepted));
        QCOMPARE(f.object->photo.size(), QSize(500, 500));
        const QImage cached(f.cacheFile());
        QCOMPARE(cached.size(), QSize(500, 500));
        // The picture's red middle line is inside the square.
        bool red = false;
        for (int x = 0; x < 500 && !red; ++x)
            red = qRed(cached.pixel(x, 250)) > 200 && qGreen(cached.pixel(x, 250)) < 80;
        QVERIFY(red);
        // No upload file is left behind, and the service has the new photo.
        QCOMPARE(QDir(f.cache.path()).entryList(QDir::Files), QStringList{QFileInfo(f.cacheFile()).fileName()});
        QTemporaryDir other;
        auto c = sim.demoClient();
        QVERIFY(c->GetObjects() > 0);
        c->SetPhotoDir(other.path() + QLatin1Char('/'));
        TObjectInfo *o = c->FindObject(f.object->uid);
        QVERIFY(o && o->has_image);
        QVERIFY(c->GetPhoto(o));
        QCOMPARE(o->photo.size(), QSize(500, 500));
    }

    // The first demo object starts with a JPEG photo at the service.
    void servicePhotoAndCache_data()
    {
        QTest::addColumn<int>("cachedAgeDays"); // -1: nothing cached
        QTest::addColumn<QSize>("shown");
        QTest::addRow("nothing cached: fetched") << -1 << QSize(320, 240);
        QTest::addRow("cached copy older than the photo: fetched again") << 3 << QSize(320, 240);
        QTest::addRow("cached copy newer: used") << 0 << QSize(10, 10);
    }
    void servicePhotoAndCache()
    {
        QFETCH(int, cachedAgeDays);
        QFETCH(QSize, shown);
        SimProcess sim;
        QVERIFY(sim.start());
        QString log;
        auto client = sim.demoClient(&log);
        QVERIFY(client && client->GetObjects() > 0);
        QTemporaryDir cache;
        client->SetPhotoDir(cache.path() + QLatin1Char('/'));
        TObjectInfo *o = client->ObjList().front().get();
        QVERIFY(o->has_image);
        const QString jpg = cache.filePath(QString::number(o->uid) + QStringLiteral(".jpg"));
        if (cachedAgeDays >= 0) {
            QImage small(10, 10, QImage::Format_RGB32);
            small.fill(Qt::red);
            QVERIFY(small.save(jpg, "JPEG"));
            QFile f(jpg);
            QVERIFY(f.open(QIODevice::ReadWrite));
            const QDateTime when = cachedAgeDays > 0 ? QDateTime::currentDateTime().addDays(-cachedAgeDays)
                                                     : QDateTime::currentDateTime().addDays(1);
            QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
        }
        TObjPhotoForm form;
        form.Open(client.get(), o);
        QCOMPARE(o->photo.size(), shown);
        QCOMPARE(QImage(jpg).size(), shown);
        QVERIFY(!form.ButSave->isEnabled());
    }

    void refusedUploadLeavesCache()
    {
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--faults"), QStringLiteral("/api/v1/object/:500=1")}));
        Fixture f(sim);
        if (!f.object)
            QSKIP("the object list is refused too under this fault rule");
        QImage old(10, 10, QImage::Format_RGB32);
        old.fill(Qt::blue);
        QVERIFY(old.save(f.cacheFile()));
        QFile before(f.cacheFile());
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray bytes = before.readAll();
        before.close();
        QVERIFY(f.form.LoadPicture(picture("refused.png", 600, 600)));
        QTest::mouseClick(f.form.ButSave, Qt::LeftButton);
        QCOMPARE(f.warnings.size(), 1);
        QVERIFY(f.form.isVisible());
        QFile after(f.cacheFile());
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), bytes);
        QCOMPARE(QDir(f.cache.path()).entryList(QDir::Files).size(), 1);
    }

    void unreadablePictureRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addRow("empty file") << QByteArray();
        QTest::addRow("not a picture") << QByteArray("hello");
        QTest::addRow("PNG header without pixels") << QByteArray("\x89PNG\r\n\x1a\n", 8);
    }
    void unreadablePictureRefused()
    {
        QFETCH(QByteArray, content);
        TObjPhotoForm form;
        QStringList warnings;
        form.Warn = [&](const QString &, const QString &t) { warnings << t; };
        QFile f(dir.filePath("bad.png"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        QVERIFY(!form.LoadPicture(f.fileName()));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(!form.ButSave->isEnabled());
    }
};

QTEST_MAIN(tst_ObjPhotoForm)
#include "tst_ObjPhotoForm.moc"
