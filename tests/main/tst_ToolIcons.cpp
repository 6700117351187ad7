// Tool button pictures are vector drawings: sharp at a device pixel ratio of
// 2, drawn (not blank), and absent for a button without a picture.

#include "ToolIcons.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

class tst_ToolIcons : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sharpAtHighDensity_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : {"SbObjectInfo", "SbEditObject", "SbConfiguration", "SbSmsFilters", "SbCommands", "SbPlaces",
                              "SbCreatePlace", "SbRequestTrack", "SbLastMessages", "SbObjectMenu", "SbExplainTrack", "SbDumpTrack",
                              "SbDeleteTrack", "SbAppendTrap", "SbZoneHistory", "SbAcceptAlarm", "SbRequestEvents", "SbClearLog"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void sharpAtHighDensity()
    {
        QFETCH(QString, name);
        const QIcon icon = ToolIcon(name);
        QVERIFY(!icon.isNull());
        // A 24 px raster picture would come back at most 24 px wide; a vector
        // one is drawn at the 96 device pixels asked for.
        const QPixmap pm = icon.pixmap(QSize(48, 48), 2.0);
        QCOMPARE(pm.deviceIndependentSize().toSize(), QSize(48, 48));
        QCOMPARE(pm.size(), QSize(96, 96));
        const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
        int inked = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                inked += qAlpha(img.pixel(x, y)) > 128;
        QVERIFY2(inked > 150, qPrintable(QString::number(inked)));
    }

    void noPicture()
    {
        QVERIFY(ToolIcon(QStringLiteral("SbNoSuchButton")).isNull());
    }
};

QTEST_MAIN(tst_ToolIcons)
#include "tst_ToolIcons.moc"
