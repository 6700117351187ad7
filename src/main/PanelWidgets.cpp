#include "PanelWidgets.h"

#include <QAction>
#include <QGroupBox>
#include <QHash>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace PanelWidgets {

namespace {
const char *const StdIconProperty = "StdIcon";
}

void RefreshIcons(QWidget *Root)
{
    for (QToolButton *b : Root->findChildren<QToolButton *>()) {
        const QVariant sp = b->property(StdIconProperty);
        if (!sp.isValid())
            continue;
        const QIcon icon = b->style()->standardIcon(QStyle::StandardPixmap(sp.toInt()));
        if (QAction *a = b->defaultAction())
            a->setIcon(icon);
        else
            b->setIcon(icon);
    }
}

QGroupBox *MakeGroup(const QString &Name, const QString &Title, QWidget *Parent)
{
    auto *g = new QGroupBox(Title, Parent);
    g->setObjectName(Name);
    auto *l = new QVBoxLayout(g);
    l->setContentsMargins(2, 2, 2, 2);
    l->setSpacing(1);
    return g;
}

QToolBar *MakeToolBar(const QString &Name, QWidget *Parent)
{
    auto *t = new QToolBar(Parent);
    t->setObjectName(Name);
    t->setIconSize(QSize(16, 16));
    // Buttons that do not fit go into the menu of the toolbar's extension
    // button, which reads "»".
    if (auto *ext = t->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"))) {
        ext->setToolButtonStyle(Qt::ToolButtonTextOnly);
        ext->setText(QStringLiteral("\u00BB"));
    }
    return t;
}

QToolButton *AddToolButton(QToolBar *Bar, const QString &Name, const QString &Hint, std::function<void()> Click)
{
    // The buttons show pictures; their hints say what they do.
    static const QHash<QString, QStyle::StandardPixmap> icons{
        {QStringLiteral("SbObjectInfo"), QStyle::SP_MessageBoxInformation},
        {QStringLiteral("SbEditObject"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("SbConfiguration"), QStyle::SP_ComputerIcon},
        {QStringLiteral("SbSmsFilters"), QStyle::SP_FileDialogListView},
        {QStringLiteral("SbCommands"), QStyle::SP_CommandLink},
        {QStringLiteral("SbPlaces"), QStyle::SP_DirHomeIcon},
        {QStringLiteral("SbCreatePlace"), QStyle::SP_FileDialogNewFolder},
        {QStringLiteral("SbRequestTrack"), QStyle::SP_ArrowDown},
        {QStringLiteral("SbLastMessages"), QStyle::SP_BrowserReload},
        {QStringLiteral("SbObjectMenu"), QStyle::SP_TitleBarUnshadeButton},
        {QStringLiteral("SbTrackInfo"), QStyle::SP_MessageBoxInformation},
        {QStringLiteral("SbExplainTrack"), QStyle::SP_FileDialogContentsView},
        {QStringLiteral("SbDumpTrack"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("SbDeleteTrack"), QStyle::SP_TrashIcon},
        {QStringLiteral("SbTrackMenu"), QStyle::SP_TitleBarUnshadeButton},
        {QStringLiteral("SbTrapInfo"), QStyle::SP_MessageBoxInformation},
        {QStringLiteral("SbAppendTrap"), QStyle::SP_FileDialogNewFolder},
        {QStringLiteral("SbEditTrap"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("SbDeleteTrap"), QStyle::SP_TrashIcon},
        {QStringLiteral("SbZoneInfo"), QStyle::SP_MessageBoxInformation},
        {QStringLiteral("SbAppendZone"), QStyle::SP_FileDialogNewFolder},
        {QStringLiteral("SbEditZone"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("SbZoneHistory"), QStyle::SP_FileDialogContentsView},
        {QStringLiteral("SbDeleteZone"), QStyle::SP_TrashIcon},
        {QStringLiteral("SbAcceptAlarm"), QStyle::SP_DialogApplyButton},
        {QStringLiteral("SbRequestEvents"), QStyle::SP_BrowserReload},
        {QStringLiteral("SbAcceptEvent"), QStyle::SP_DialogApplyButton},
        {QStringLiteral("SbClearLog"), QStyle::SP_DialogResetButton},
    };
    // An action, not a bare button: the toolbar then offers it in the "»"
    // menu when the button does not fit. The menu item reads as the hint,
    // also once the hint is translated.
    auto *a = new QAction(Hint, Bar);
    a->setObjectName(Name);
    a->setToolTip(Hint);
    QObject::connect(a, &QAction::changed, a, [a] {
        if (!a->toolTip().isEmpty() && a->text() != a->toolTip())
            a->setText(a->toolTip());
    });
    if (icons.contains(Name))
        a->setIcon(Bar->style()->standardIcon(icons.value(Name)));
    Bar->addAction(a);
    auto *b = qobject_cast<QToolButton *>(Bar->widgetForAction(a));
    b->setObjectName(Name);
    b->setAutoRaise(true);
    if (icons.contains(Name)) {
        b->setProperty(StdIconProperty, int(icons.value(Name)));
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    } else {
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    if (Click)
        QObject::connect(a, &QAction::triggered, a, [Click = std::move(Click)] { Click(); });
    return b;
}

QTreeView *MakeList(const QString &Name, QWidget *Parent)
{
    auto *v = new QTreeView(Parent);
    v->setObjectName(Name);
    v->setUniformRowHeights(false);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Unfocused selections keep the text black, as the focused ones do.
    QPalette p = v->palette();
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Active, QPalette::HighlightedText, Qt::black);
    v->setPalette(p);
    return v;
}

} // namespace PanelWidgets
