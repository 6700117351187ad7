// Tool button pictures are vector drawings: sharp at a device pixel ratio of
// 2, drawn (not blank), and absent for a button without a picture.

#include "PanelWidgets.h"
#include "ToolIcons.h"

#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

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

    // The panels' tool buttons show these pictures: as drawn in a light
    // style, in the style's light text colour in a dark one.
    void toolButtonsShowThePicture_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addRow("light style") << false;
        QTest::addRow("dark style") << true;
    }
    void toolButtonsShowThePicture()
    {
        QFETCH(bool, dark);
        QWidget host;
        if (dark) {
            QPalette p = host.palette();
            p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
            host.setPalette(p);
        }
        QToolBar *bar = PanelWidgets::MakeToolBar(QStringLiteral("Bar"), &host);
        QToolButton *b = PanelWidgets::AddToolButton(bar, QStringLiteral("SbDeleteTrack"), QStringLiteral("Delete track"), nullptr);
        QCOMPARE(b->toolButtonStyle(), Qt::ToolButtonIconOnly);
        const QImage shown = b->icon().pixmap(QSize(24, 24), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage drawn = ToolIcon(QStringLiteral("SbDeleteTrack")).pixmap(QSize(24, 24), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown.size(), drawn.size());
        int inked = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                // The same strokes...
                QCOMPARE(qAlpha(shown.pixel(x, y)) > 128, qAlpha(drawn.pixel(x, y)) > 128);
                if (qAlpha(shown.pixel(x, y)) < 250)
                    continue;
                ++inked;
                // ... in the drawing's dark blue, or light on a dark style.
                QCOMPARE(QColor(shown.pixel(x, y)).lightness() > 128, dark);
            }
        QVERIFY(inked > 20);
    }

    void noPicture()
    {
        QVERIFY(ToolIcon(QStringLiteral("SbNoSuchButton")).isNull());
    }
};

QTEST_MAIN(tst_ToolIcons)
#include "tst_ToolIcons.moc"
