#include "ZtStyles.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

// What the styles draw must stand out from what it is drawn on.
class tst_ZtStyles : public QObject
{
    Q_OBJECT

    // The largest lightness difference between Background and any pixel.
    static int contrast(const QImage &img, const QColor &background)
    {
        int best = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                best = std::max(best, std::abs(img.pixelColor(x, y).lightness() - background.lightness()));
        return best;
    }

private Q_SLOTS:
    void visibleOnTheirBackground_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addRow("Fusion") << "Fusion";
        QTest::addRow("Fusion Dark") << TZtStyles::DarkStyleName;
    }

    // A list's unticked check box, and the toolbars' overflow and menu
    // glyphs, drawn on the list's base and the bar's window colour.
    void visibleOnTheirBackground()
    {
        QFETCH(QString, style);
        QVERIFY(TZtStyles::Apply(style));
        const QPalette pal = QApplication::palette();
        QStyle *st = QApplication::style();

        QImage box(20, 20, QImage::Format_RGB32);
        box.fill(pal.color(QPalette::Base));
        {
            QPainter p(&box);
            QStyleOptionViewItem opt;
            opt.rect = QRect(2, 2, 16, 16);
            opt.palette = pal;
            opt.state = QStyle::State_Enabled | QStyle::State_Off;
            st->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &opt, &p, nullptr);
        }
        QVERIFY2(contrast(box, pal.color(QPalette::Base)) >= 60, "check box lost in the list");

        for (const QStyle::StandardPixmap sp : {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_TitleBarUnshadeButton}) {
            QImage glyph(16, 16, QImage::Format_RGB32);
            glyph.fill(pal.color(QPalette::Window));
            QPainter p(&glyph);
            p.drawPixmap(0, 0, st->standardIcon(sp).pixmap(16));
            p.end();
            QVERIFY2(contrast(glyph, pal.color(QPalette::Window)) >= 60, qPrintable(QString::number(int(sp))));
        }
    }
};

QTEST_MAIN(tst_ZtStyles)
#include "tst_ZtStyles.moc"
