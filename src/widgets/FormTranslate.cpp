#include "FormTranslate.h"

#include "common.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

constexpr int MaxTextLength = 256;

QString Key(const QString &name, const char *suffix)
{
    return name + QLatin1String(suffix);
}

QList<QWidget *> DirectChildWidgets(QWidget *w)
{
    return w->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
}

void TranslateAction(const QString &window, QAction *a, const TFormTextLookup &lookup)
{
    QString name = a->objectName();
    if (name.isEmpty() && a->menu())
        name = a->menu()->objectName();
    if (!name.isEmpty()) {
        const QString text = lookup(window, Key(name, "_text"));
        if (!text.isEmpty())
            a->setText(text.left(MaxTextLength));
        const QString hint = lookup(window, Key(name, "_hint"));
        if (!hint.isEmpty()) {
            a->setToolTip(hint);
            a->setStatusTip(hint);
        }
    }
    if (QMenu *sub = a->menu()) {
        for (QAction *sa : sub->actions())
            if (!sa->isSeparator())
                TranslateAction(window, sa, lookup);
    }
}

void TranslateColumns(const QString &window, const QString &name, QAbstractItemView *view, const TFormTextLookup &lookup)
{
    const QString columns = lookup(window, Key(name, "_columns"));
    if (columns.isEmpty())
        return;
    const QStringList parts = columns.split(QLatin1Char('|'));
    if (auto *tw = qobject_cast<QTreeWidget *>(view)) {
        QTreeWidgetItem *header = tw->headerItem();
        for (int i = 0; i < parts.size() && i < tw->columnCount(); ++i)
            if (!parts.at(i).trimmed().isEmpty())
                header->setText(i, parts.at(i).trimmed());
        return;
    }
    QAbstractItemModel *model = view->model();
    if (!model)
        return;
    for (int i = 0; i < parts.size() && i < model->columnCount(); ++i)
        if (!parts.at(i).trimmed().isEmpty())
            model->setHeaderData(i, Qt::Horizontal, parts.at(i).trimmed(), Qt::DisplayRole);
}

void TranslateChildren(const QString &window, QWidget *w, const TFormTextLookup &lookup)
{
    for (QWidget *child : DirectChildWidgets(w)) {
        // Menus are translated as menus, and pop-up windows on their own.
        if (qobject_cast<QMenu *>(child) || qobject_cast<QMenuBar *>(child) || child->isWindow())
            continue;
        TranslateControl(window, child, lookup);
    }
}

} // namespace

void TranslateControl(const QString &window, QWidget *c, const TFormTextLookup &lookup)
{
    if (!c)
        return;
    const QString name = c->objectName();
    // A toolbar's button follows its action, which also stands in the bar's
    // overflow menu: the action is what gets the texts.
    if (auto *tb = qobject_cast<QToolButton *>(c); tb && !name.isEmpty() && tb->defaultAction()
                                                    && tb->defaultAction()->objectName() == name) {
        TranslateAction(window, tb->defaultAction(), lookup);
        return;
    }
    if (!name.isEmpty()) {
        const QString text = lookup(window, Key(name, "_text")).left(MaxTextLength);
        if (!text.isEmpty()) {
            if (auto *b = qobject_cast<QAbstractButton *>(c))
                b->setText(text);
            else if (auto *l = qobject_cast<QLabel *>(c))
                l->setText(text);
            else if (auto *g = qobject_cast<QGroupBox *>(c))
                g->setTitle(text);
            else if (auto *e = qobject_cast<QLineEdit *>(c))
                e->setText(text);
            else
                c->setWindowTitle(text);
        }
        const QString hint = lookup(window, Key(name, "_hint"));
        if (!hint.isEmpty())
            c->setToolTip(hint);
    }

    if (auto *view = qobject_cast<QAbstractItemView *>(c)) {
        if (!name.isEmpty())
            TranslateColumns(window, name, view, lookup);
        for (QMenu *m : view->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly))
            for (QAction *a : m->actions())
                if (!a->isSeparator())
                    TranslateAction(window, a, lookup);
        if (view->contextMenuPolicy() == Qt::ActionsContextMenu)
            for (QAction *a : view->actions())
                TranslateAction(window, a, lookup);
        return;
    }
    if (auto *tabs = qobject_cast<QTabWidget *>(c)) {
        for (int i = 0; i < tabs->count(); ++i) {
            QWidget *page = tabs->widget(i);
            const QString pageName = page->objectName();
            if (!pageName.isEmpty()) {
                const QString text = lookup(window, Key(pageName, "_text")).left(MaxTextLength);
                if (!text.isEmpty())
                    tabs->setTabText(i, text);
                const QString hint = lookup(window, Key(pageName, "_hint"));
                if (!hint.isEmpty())
                    tabs->setTabToolTip(i, hint);
            }
            TranslateChildren(window, page, lookup);
        }
        // Widgets put into the tab bar's corners belong to the page control too.
        for (Qt::Corner corner : {Qt::TopRightCorner, Qt::TopLeftCorner, Qt::BottomRightCorner, Qt::BottomLeftCorner})
            if (QWidget *cw = tabs->cornerWidget(corner))
                TranslateControl(window, cw, lookup);
        return;
    }
    if (auto *combo = qobject_cast<QComboBox *>(c)) {
        if (name.isEmpty())
            return;
        const QString items = lookup(window, Key(name, "_items"));
        if (!items.isEmpty()) {
            const int current = combo->currentIndex();
            const bool blocked = combo->blockSignals(true);
            combo->clear();
            combo->addItems(items.split(QLatin1Char('|')));
            combo->setCurrentIndex(current < combo->count() ? current : -1);
            combo->blockSignals(blocked);
        }
        const QString texthint = lookup(window, Key(name, "_texthint"));
        if (!texthint.isEmpty())
            combo->setPlaceholderText(texthint);
        return;
    }
    if (auto *e = qobject_cast<QLineEdit *>(c)) {
        if (name.isEmpty())
            return;
        const QString texthint = lookup(window, Key(name, "_texthint"));
        if (!texthint.isEmpty())
            e->setPlaceholderText(texthint);
        // Qt's labelled edit field is a line edit with a label whose buddy it is.
        const QString label = lookup(window, Key(name, "_label")).left(MaxTextLength);
        if (!label.isEmpty())
            for (QLabel *l : e->window()->findChildren<QLabel *>())
                if (l->buddy() == e)
                    l->setText(label);
        return;
    }
    if (auto *te = qobject_cast<QTextEdit *>(c)) {
        const QString texthint = name.isEmpty() ? QString() : lookup(window, Key(name, "_texthint"));
        if (!texthint.isEmpty())
            te->setPlaceholderText(texthint);
        return;
    }
    if (auto *pe = qobject_cast<QPlainTextEdit *>(c)) {
        const QString texthint = name.isEmpty() ? QString() : lookup(window, Key(name, "_texthint"));
        if (!texthint.isEmpty())
            pe->setPlaceholderText(texthint);
        return;
    }
    if (auto *sa = qobject_cast<QScrollArea *>(c)) {
        if (sa->widget())
            TranslateControl(window, sa->widget(), lookup);
        return;
    }
    if (auto *tb = qobject_cast<QToolBar *>(c)) {
        for (QAction *a : tb->actions())
            if (!a->isSeparator())
                TranslateAction(window, a, lookup);
    }
    // Other controls (buttons, labels, spin boxes, custom views ...) hold no
    // controls of their own; everything else is a container.
    if (qobject_cast<QAbstractButton *>(c) || qobject_cast<QLabel *>(c) || qobject_cast<QAbstractScrollArea *>(c))
        return;
    TranslateChildren(window, c, lookup);
}

void TranslateMenu(QWidget *form, QWidget *menu, const TFormTextLookup &lookup)
{
    if (!menu)
        return;
    const QString window = form ? form->objectName() : QString();
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            TranslateAction(window, a, lookup);
}

void TranslateForm(QWidget *form, const TFormTextLookup &lookup)
{
    if (!form)
        return;
    const QString window = form->objectName();
    const QString caption = lookup(window, QStringLiteral("Caption"));
    if (!caption.isEmpty())
        form->setWindowTitle(caption);
    TranslateChildren(window, form, lookup);
    // menuWidget(), unlike menuBar(), does not create a menu bar that is not there.
    if (auto *mw = qobject_cast<QMainWindow *>(form)) {
        if (auto *mb = qobject_cast<QMenuBar *>(mw->menuWidget()))
            TranslateMenu(form, mb, lookup);
    } else if (QMenuBar *mb = form->findChild<QMenuBar *>(QString(), Qt::FindDirectChildrenOnly)) {
        TranslateMenu(form, mb, lookup);
    }
}

TFormTextLookup ProgramTextLookup()
{
    return [](const QString &window, const QString &key) {
        return Translation.GetString(window, key, QStringLiteral(" ")).trimmed();
    };
}

void TranslateForm(QWidget *form)
{
    TranslateForm(form, ProgramTextLookup());
}

void TranslateMenu(QWidget *form, QWidget *menu)
{
    TranslateMenu(form, menu, ProgramTextLookup());
}
