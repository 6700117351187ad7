#include "ExportFile.h"

#include "ZtFiles.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QUrl>

namespace {
ExportFile::TAskHook &AskHook()
{
    static ExportFile::TAskHook h;
    return h;
}
std::function<void(const QString &)> &OpenHook()
{
    static std::function<void(const QString &)> h;
    return h;
}
} // namespace

TExportSaveDialog::TExportSaveDialog(QWidget *Parent, const QString &Title, const QString &Dir, const QString &Label,
                                     const QStringList &Filters, int Initial)
    : QFileDialog(Parent, Title, Dir)
    , fFilters(Filters)
{
    setObjectName(QStringLiteral("ExportFileDialog"));
    for (const QString &f : Filters)
        fExtensions << FilterExtension(f);
    if (Initial < 0 || Initial >= Filters.size())
        Initial = 0;
    // The extension must be on the name before the overwrite question, which
    // native dialogs ask on their own.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters(Filters);
    selectNameFilter(Filters.value(Initial));
    setDefaultSuffix(fExtensions.value(Initial));
    const QString ext = fExtensions.value(Initial);
    selectFile(ext.isEmpty() ? SafeFileName(Label) : ExportFileName(Label, ext));
    connect(this, &QFileDialog::filterSelected, this, [this](const QString &f) {
        setDefaultSuffix(FilterExtension(f));
        ApplyExtension();
    });
    // On a change of type, the dialog itself replaces whatever follows the
    // name's last dot ("Car 1.5" would become "Car 1.csv"); the type list
    // goes through the rule above instead.
    auto *types = findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
    auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (types && edit) {
        disconnect(types, nullptr, this, nullptr);
        connect(types, &QComboBox::activated, this, [this, types, edit](int index) {
            const QString typed = edit->text();
            const QString filter = types->itemText(index);
            selectNameFilter(filter); // the list shows the files of that type
            edit->setText(typed);
            Q_EMIT filterSelected(filter);
        });
    }
}

int TExportSaveDialog::FilterIndex() const { return int(fFilters.indexOf(selectedNameFilter())); }

QString TExportSaveDialog::FilterExtension(const QString &Filter)
{
    static const QRegularExpression re(QStringLiteral("\\*\\.(\\w+)"));
    const auto m = re.match(Filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString TExportSaveDialog::WithExtension(const QString &Name, const QString &Extension, const QStringList &Known)
{
    if (Name.isEmpty() || Extension.isEmpty())
        return Name;
    const QString suffix = QFileInfo(Name).suffix();
    if (suffix.compare(Extension, Qt::CaseInsensitive) == 0)
        return Name;
    const bool known = !suffix.isEmpty() && Known.contains(suffix, Qt::CaseInsensitive);
    return (known ? Name.left(Name.size() - suffix.size() - 1) : Name) + u'.' + Extension;
}

void TExportSaveDialog::ApplyExtension()
{
    const QString ext = fExtensions.value(FilterIndex());
    if (auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
        // The field, not selectFile: selectFile leaves a focused field alone.
        const QString text = edit->text();
        const QString final = WithExtension(text, ext, fExtensions);
        if (final != text)
            edit->setText(final);
    } else if (const QString name = selectedFiles().value(0); !name.isEmpty()) {
        selectFile(WithExtension(name, ext, fExtensions));
    }
}

void TExportSaveDialog::accept()
{
    ApplyExtension();
    QFileDialog::accept();
}

namespace ExportFile {

QString Ask(QWidget *Parent, const QString &Title, const QString &Dir, const QString &Label, const QStringList &Filters,
            int &FilterIndex, int Initial)
{
    if (AskHook()) {
        FilterIndex = Initial + 1;
        const QString ext = TExportSaveDialog::FilterExtension(Filters.value(Initial));
        const QString name = ext.isEmpty() ? SafeFileName(Label) : ExportFileName(Label, ext);
        const QString chosen = AskHook()(Title, QDir(Dir).filePath(name), Filters, FilterIndex);
        // The answer is what the user typed: it takes the chosen type's
        // extension as in the dialog.
        QStringList known;
        for (const QString &f : Filters)
            known << TExportSaveDialog::FilterExtension(f);
        return TExportSaveDialog::WithExtension(chosen, known.value(FilterIndex - 1), known);
    }
    FilterIndex = 0;
    TExportSaveDialog dlg(Parent, Title, Dir, Label, Filters, Initial);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    FilterIndex = dlg.FilterIndex() + 1;
    return dlg.selectedFiles().constFirst();
}

void SetAskHook(const TAskHook &Hook) { AskHook() = Hook; }
void SetOpenHook(const std::function<void(const QString &)> &Hook) { OpenHook() = Hook; }

void OpenFile(const QString &FileName)
{
    if (OpenHook())
        OpenHook()(FileName);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(FileName));
}

} // namespace ExportFile
