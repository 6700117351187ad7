#include "ZtStyles.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

const QString TZtStyles::DarkStyleName = QStringLiteral("Fusion Dark");

namespace {
QString &activeName()
{
    static QString name;
    return name;
}

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
    QStyle *style = QStyleFactory::create(dark ? QStringLiteral("Fusion") : Name);
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
