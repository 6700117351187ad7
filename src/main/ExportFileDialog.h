#pragma once

// The save dialog of every export: the default name comes from a label
// (ExportFileName), and the extension is set inside the dialog, so that the
// dialog's own overwrite question is asked about the name that will be
// written, not about the name before the extension is added.

#include <QString>

class QFileDialog;
class QWidget;

namespace ExportFileDialog {

// Extension without the dot ("gpx"); Filter as in QFileDialog
// ("GPX files (*.gpx)"). The chosen path with its extension, or empty when
// the user cancelled.
QString GetSaveName(QWidget *Parent, const QString &Caption, const QString &Dir, const QString &Label,
                    const QString &Extension, const QString &Filter);

// The dialog GetSaveName runs, set up but not shown (tests drive it).
QFileDialog *Make(QWidget *Parent, const QString &Caption, const QString &Dir, const QString &Label,
                  const QString &Extension, const QString &Filter);

} // namespace ExportFileDialog
