#include "TrackExportFile.h"

#include "ZtFiles.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QUrl>

namespace TrackExportFile {

namespace {
TAskHook &AskHook()
{
    static TAskHook h;
    return h;
}
std::function<void(const QString &)> &OpenHook()
{
    static std::function<void(const QString &)> h;
    return h;
}
// "CSV (*.csv)" -> "csv"
QString FilterSuffix(const QString &Filter)
{
    static const QRegularExpression re(QStringLiteral("\\*\\.(\\w+)"));
    const auto m = re.match(Filter);
    return m.hasMatch() ? m.captured(1) : QString();
}
QString WithSuffix(const QString &Name, const QString &Suffix)
{
    if (Name.isEmpty() || Suffix.isEmpty())
        return Name;
    const QFileInfo fi(Name);
    const QString base = fi.suffix().isEmpty() ? Name : Name.left(Name.size() - fi.suffix().size() - 1);
    return base + u'.' + Suffix;
}
} // namespace

QString Ask(QWidget *Parent, const QString &Title, const QString &Dir, const QString &Label, const QStringList &Filters,
            int &FilterIndex)
{
    FilterIndex = 0;
    const QString name = ExportFileName(Label, FilterSuffix(Filters.value(0)), QStringLiteral("track"));
    if (AskHook())
        return AskHook()(Title, QDir(Dir).filePath(name), Filters, FilterIndex);
    QFileDialog dlg(Parent, Title, Dir);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setNameFilters(Filters);
    dlg.setDefaultSuffix(FilterSuffix(Filters.value(0)));
    dlg.selectFile(name);
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg](const QString &f) {
        const QString suffix = FilterSuffix(f);
        dlg.setDefaultSuffix(suffix);
        if (auto *edit = dlg.findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            edit->setText(WithSuffix(edit->text(), suffix));
    });
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    FilterIndex = int(Filters.indexOf(dlg.selectedNameFilter())) + 1;
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

} // namespace TrackExportFile
