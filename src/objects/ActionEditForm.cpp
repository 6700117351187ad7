#include "ActionEditForm.h"

#include "FormTranslate.h"
#include "common.h"
#include "translate.h"

#include <QComboBox>
#include <QCursor>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The translated names of codes 0, 1, ...; a translation that names another
// number of them would shift every name onto the wrong code, so the
// built-in names stand then.
QStringList Items(const QString &Key, const QStringList &Default)
{
    const QString v = Translation.GetString(Key);
    const QStringList items = v.split(u'|');
    return v.isEmpty() || v == Key || items.size() != Default.size() ? Default : items;
}

} // namespace

TActionEditForm::TActionEditForm(QWidget *Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("ActionEditForm"));
    setWindowTitle(QStringLiteral("Filter action"));
    CbType = new QComboBox(this);
    CbType->setObjectName(QStringLiteral("CbType"));
    CbArg = new QComboBox(this);
    CbArg->setObjectName(QStringLiteral("CbArg"));
    ButOk = new QPushButton(QStringLiteral("OK"), this);
    ButOk->setObjectName(QStringLiteral("ButOk"));
    ButOk->setDefault(true);
    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    ButCancel->setAutoDefault(false);
    auto label = [this](const char *name, const char *text) {
        auto *l = new QLabel(QLatin1String(text), this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto *form = new QFormLayout;
    form->addRow(label("LblType", "Action type:"), CbType);
    form->addRow(label("LblArg", "Argument:"), CbArg);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButOk);
    buttons->addWidget(ButCancel);
    auto *box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addLayout(buttons);
    connect(ButOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    TranslateForm(this);
    CbType->addItems(Items(QStringLiteral("action_types"), {QStringLiteral("Delete"), QStringLiteral("Forward")}));
    for (int i = 0; i < CbType->count(); ++i)
        CbType->setItemData(i, i);
    connect(CbType, &QComboBox::currentIndexChanged, this, [this] { FillArgs(0); });
    setMinimumWidth(320);
    adjustSize();
    if (const QScreen *s = QGuiApplication::screenAt(QCursor::pos())) {
        const QRect work = s->availableGeometry();
        QPoint p = QCursor::pos();
        p.setX(qBound(work.left(), p.x(), work.right() - width()));
        p.setY(qBound(work.top(), p.y(), work.bottom() - height()));
        move(p);
    }
}

void TActionEditForm::SetAction(const TSmsFilter::TAction &a)
{
    fAction = a;
    int at = CbType->findData(a.TypInt());
    if (at < 0) {
        CbType->addItem(QStringLiteral("? (%1)").arg(a.TypInt()), a.TypInt());
        at = CbType->count() - 1;
    }
    const QSignalBlocker b(CbType);
    CbType->setCurrentIndex(at);
    FillArgs(a.Arg());
}

void TActionEditForm::FillArgs(int Selected)
{
    const int typ = CbType->currentData().toInt();
    CbArg->clear();
    if (typ == 0)
        CbArg->addItems(Items(QStringLiteral("action_type_delete"), {QStringLiteral("Message"), QStringLiteral("Chat")}));
    else if (typ == 1)
        CbArg->addItems(Items(QStringLiteral("action_type_forward"), {QStringLiteral("Email"), QStringLiteral("Telegram")}));
    for (int i = 0; i < CbArg->count(); ++i)
        CbArg->setItemData(i, i);
    int at = CbArg->findData(Selected);
    // An argument the list does not hold stays as it was read.
    if (at < 0 && typ == fAction.TypInt()) {
        CbArg->addItem(QStringLiteral("? (%1)").arg(Selected), Selected);
        at = CbArg->count() - 1;
    }
    CbArg->setCurrentIndex(at < 0 ? 0 : at);
}

TSmsFilter::TAction TActionEditForm::ApplyChanges() const
{
    TSmsFilter::TAction a;
    const int typ = CbType->currentData().toInt();
    // A type read from the device and left alone is written back as it was.
    if (typ == 0 || typ == 1)
        a.AssignTyp(typ);
    else
        a = TSmsFilter::TAction(typ, 0);
    a.SetArg(CbArg->currentIndex() < 0 ? -1 : CbArg->currentData().toInt());
    return a;
}
