#include "ExportFileDialog.h"

#include "ZtFiles.h"

#include <QDir>
#include <QFileDialog>

#include <memory>

namespace ExportFileDialog {

QFileDialog *Make(QWidget *Parent, const QString &Caption, const QString &Dir, const QString &Label,
                  const QString &Extension, const QString &Filter)
{
    auto *dlg = new QFileDialog(Parent, Caption, Dir, Filter);
    dlg->setAcceptMode(QFileDialog::AcceptSave);
    dlg->setFileMode(QFileDialog::AnyFile);
    // The suffix is added by the dialog before it checks for an existing
    // file; native dialogs cannot be told that everywhere.
    dlg->setOption(QFileDialog::DontUseNativeDialog, true);
    dlg->setDefaultSuffix(Extension);
    dlg->selectFile(ExportFileName(Label, Extension));
    return dlg;
}

QString GetSaveName(QWidget *Parent, const QString &Caption, const QString &Dir, const QString &Label,
                    const QString &Extension, const QString &Filter)
{
    std::unique_ptr<QFileDialog> dlg(Make(Parent, Caption, Dir, Label, Extension, Filter));
    if (dlg->exec() != QDialog::Accepted || dlg->selectedFiles().isEmpty())
        return QString();
    return dlg->selectedFiles().first();
}

} // namespace ExportFileDialog
