#pragma once

// The save dialog of every export, and the opening of the written file with
// the desktop's default application.
//
// The name offered is the label made safe (SafeFileName) with the extension
// of the filter offered first. Whatever the user types, the file written
// ends in the chosen filter's extension: an extension of one of the dialog's
// filters is replaced, any other text after a dot is kept and the extension
// added ("Car 1.5" stays "Car 1.5.csv"). The dialog does this before its own
// overwrite question, so the question names the file that will be written.

#include <QFileDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The dialog Ask runs; tests drive it directly.
class TExportSaveDialog : public QFileDialog
{
    Q_OBJECT
public:
    // Filters like "CSV (*.csv)"; Initial counts from 0.
    TExportSaveDialog(QWidget *Parent, const QString &Title, const QString &Dir, const QString &Label,
                      const QStringList &Filters, int Initial = 0);

    // The chosen filter, counting from 0; -1 when it is none of the filters.
    int FilterIndex() const;

    // "CSV (*.csv)" -> "csv"; empty for a filter without one.
    static QString FilterExtension(const QString &Filter);
    // Name ending in Extension: a known extension (case ignored) is replaced,
    // anything else kept and Extension added. An empty name stays empty.
    static QString WithExtension(const QString &Name, const QString &Extension, const QStringList &Known);

    // Puts the extension on, then asks about an existing file and closes.
    void accept() override;

private:
    // Puts the chosen filter's extension on the name in the name field.
    void ApplyExtension();

    QStringList fFilters;
    QStringList fExtensions;
};

namespace ExportFile {

// Asks where to export: starts in Dir with the label as the file name.
// Returns the name, empty when cancelled; FilterIndex is the chosen filter,
// counting from 1 (Initial counts from 0).
QString Ask(QWidget *Parent, const QString &Title, const QString &Dir, const QString &Label, const QStringList &Filters,
            int &FilterIndex, int Initial = 0);

// Tests answer the dialog and see the files opened through these.
using TAskHook = std::function<QString(const QString &Title, const QString &DefaultName, const QStringList &Filters, int &FilterIndex)>;
void SetAskHook(const TAskHook &Hook);
void SetOpenHook(const std::function<void(const QString &FileName)> &Hook);
// Opens a written file with the desktop's default application.
void OpenFile(const QString &FileName);

} // namespace ExportFile
