#include "PanelWidgets.h"

#include "ToolIcons.h"

#include <QAction>
#include <QGroupBox>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace PanelWidgets {

namespace {

const char *const ToolIconProperty = "ToolIcon";

// The pictures are drawn in one ink for light styles; a dark style gets
// them in its own button text colour, so that they stay visible.
QIcon IconFor(const QString &Name, const QPalette &Palette)
{
    const QColor ink = Palette.color(QPalette::ButtonText);
    return ink.lightness() > 128 ? ToolIcon(Name, ink) : ToolIcon(Name);
}
} // namespace

void RefreshIcons(QWidget *Root)
{
    for (QToolBar *bar : Root->findChildren<QToolBar *>())
        for (QAction *a : bar->actions()) {
            const QVariant name = a->property(ToolIconProperty);
            if (name.isValid())
                a->setIcon(IconFor(name.toString(), bar->palette()));
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
    // An action rather than a bare button: when the bar is too narrow, the
    // bar's own "»" button lists the actions that did not fit in a menu.
    // The button the bar makes for it carries the same name.
    auto *a = new QAction(Hint, Bar);
    a->setObjectName(Name);
    a->setToolTip(Hint);
    a->setProperty(ToolIconProperty, Name);
    a->setIcon(IconFor(Name, Bar->palette()));
    Bar->addAction(a);
    auto *b = qobject_cast<QToolButton *>(Bar->widgetForAction(a));
    b->setObjectName(Name);
    b->setAutoRaise(true);
    // The buttons show pictures, their hints say what they do; a name
    // without a picture shows its text.
    b->setToolButtonStyle(a->icon().isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
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
