#include "PanelWidgets.h"

#include "ToolIcons.h"

#include <QAction>
#include <QGroupBox>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace PanelWidgets {

namespace {
const char *const IconProperty = "ToolIconName";

// The button's picture in the colours of Widget's style: a light style
// shows the drawing as it is, a dark one the drawing in its light text colour.
QIcon StyledToolIcon(const QString &Name, const QWidget *Widget)
{
    const QColor ink = Widget->palette().color(QPalette::ButtonText);
    return ink.lightness() > 128 ? ToolIcon(Name, ink) : ToolIcon(Name);
}
} // namespace

void RefreshIcons(QWidget *Root)
{
    for (QToolButton *b : Root->findChildren<QToolButton *>()) {
        const QString name = b->property(IconProperty).toString();
        if (name.isEmpty())
            continue;
        const QIcon icon = StyledToolIcon(name, b);
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
    const QIcon icon = StyledToolIcon(Name, Bar);
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
    a->setIcon(icon);
    Bar->addAction(a);
    auto *b = qobject_cast<QToolButton *>(Bar->widgetForAction(a));
    b->setObjectName(Name);
    b->setAutoRaise(true);
    if (!icon.isNull()) {
        b->setProperty(IconProperty, Name);
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
