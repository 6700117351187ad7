#pragma once

// The visual styles the "Style" menu offers: every style Qt has here, plus a
// dark variant of Fusion. Switching is by exact name.

#include <QColor>
#include <QString>
#include <QStringList>

class TZtStyles
{
public:
    static const QString DarkStyleName; // "Fusion Dark"

    // The names offered, Qt's first, the dark variant last.
    static QStringList Names();
    // The name of the style in use ("" until one is chosen by name).
    static QString ActiveName();
    // Switches the application to the named style; false when it is unknown.
    static bool Apply(const QString &Name);

    // The three colours of the list painting, from the application palette.
    static QColor WindowColor();
    static QColor TextColor();
    static QColor SelectedTextColor();
};
