#pragma once

// The save dialog of the track windows' exports and the opening of the
// written file with the desktop's default application.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace TrackExportFile {

// Asks where to export: starts in Dir with the label as the file name
// (ExportFileName of ZtFiles.h, "track" when the label leaves nothing);
// Filters like "CSV (*.csv)". The chosen filter's extension is put on the
// name inside the dialog (replacing another one), so that the dialog's own
// overwrite question sees the final name. Returns the name, empty when
// cancelled; FilterIndex is the chosen filter, counting from 1.
QString Ask(QWidget *Parent, const QString &Title, const QString &Dir, const QString &Label, const QStringList &Filters,
            int &FilterIndex);

// Tests answer the dialog and see the files opened through these.
using TAskHook = std::function<QString(const QString &Title, const QString &DefaultName, const QStringList &Filters, int &FilterIndex)>;
void SetAskHook(const TAskHook &Hook);
void SetOpenHook(const std::function<void(const QString &FileName)> &Hook);
// Opens a written file with the desktop's default application.
void OpenFile(const QString &FileName);

} // namespace TrackExportFile
