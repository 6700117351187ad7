#include "ZtStyles.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

const QString TZtStyles::DarkStyleName = QStringLiteral("Fusion Dark");

namespace {
QString &activeName()
{
    static QString name;
    return name;
}

// Fusion on a dark palette draws a check box's frame darker than the
// window, and the toolbars' glyphs (the overflow chevrons, the menu arrows)
// as dark pictures: on a dark list or bar both vanish. This style outlines
// the boxes and lightens those glyphs.
class DarkFusionStyle : public QProxyStyle
{
public:
    DarkFusionStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement pe, const QStyleOption *opt, QPainter *p, const QWidget *w) const override
    {
        QProxyStyle::drawPrimitive(pe, opt, p, w);
        if (pe == PE_IndicatorCheckBox && opt) {
            p->save();
            p->setRenderHint(QPainter::Antialiasing, false);
            p->setPen(QColor(170, 170, 170));
            p->setBrush(Qt::NoBrush);
            p->drawRect(opt->rect.adjusted(0, 0, -1, -1));
            p->restore();
        }
    }

    QIcon standardIcon(StandardPixmap sp, const QStyleOption *opt, const QWidget *w) const override
    {
        const QIcon icon = QProxyStyle::standardIcon(sp, opt, w);
        switch (sp) {
        case SP_ToolBarHorizontalExtensionButton:
        case SP_ToolBarVerticalExtensionButton:
        case SP_TitleBarUnshadeButton:
        case SP_TitleBarShadeButton:
        case SP_ArrowDown:
        case SP_ArrowUp:
        case SP_ArrowLeft:
        case SP_ArrowRight:
            return lightened(icon);
        default:
            return icon;
        }
    }

private:
    static QIcon lightened(const QIcon &icon)
    {
        QIcon out;
        for (const int size : {16, 24, 32}) {
            const QPixmap pm = icon.pixmap(size);
            if (pm.isNull())
                continue;
            QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QPainter p(&img);
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(img.rect(), QColor(220, 220, 220));
            p.end();
            out.addPixmap(QPixmap::fromImage(img));
        }
        return out.isNull() ? icon : out;
    }
};

QPalette darkPalette()
{
    QPalette p;
    const QColor window(53, 53, 53), base(35, 35, 35), text(220, 220, 220), disabled(127, 127, 127);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Link, QColor(42, 130, 218));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::Text, disabled);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
    p.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
    return p;
}
} // namespace

QStringList TZtStyles::Names()
{
    QStringList names = QStyleFactory::keys();
    names.append(DarkStyleName);
    return names;
}

QString TZtStyles::ActiveName() { return activeName(); }

bool TZtStyles::Apply(const QString &Name)
{
    const bool dark = Name == DarkStyleName;
    if (!dark && !QStyleFactory::keys().contains(Name))
        return false;
    QStyle *style = dark ? new DarkFusionStyle : QStyleFactory::create(Name);
    if (!style)
        return false;
    QApplication::setStyle(style);
    QApplication::setPalette(dark ? darkPalette() : style->standardPalette());
    activeName() = Name;
    return true;
}

QColor TZtStyles::WindowColor() { return QApplication::palette().color(QPalette::Base); }
QColor TZtStyles::TextColor() { return QApplication::palette().color(QPalette::Text); }
QColor TZtStyles::SelectedTextColor() { return QApplication::palette().color(QPalette::HighlightedText); }
