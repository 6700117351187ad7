#include "ConditionEditForm.h"

#include "FormTranslate.h"
#include "common.h"
#include "translate.h"

#include <QComboBox>
#include <QCursor>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QStringList Items(const QString &Key, const QStringList &Default)
{
    const QString v = Translation.GetString(Key);
    return v.isEmpty() || v == Key ? Default : v.split(u'|');
}

} // namespace

TConditionEditForm::TConditionEditForm(QWidget *Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("ConditionEditForm"));
    setWindowTitle(QStringLiteral("Filter condition"));
    CbType = new QComboBox(this);
    CbType->setObjectName(QStringLiteral("CbType"));
    EdArg = new QLineEdit(this);
    EdArg->setObjectName(QStringLiteral("EdArg"));
    MemoHint = new QPlainTextEdit(this);
    MemoHint->setObjectName(QStringLiteral("MemoHint"));
    MemoHint->setReadOnly(true);
    MemoHint->setFixedHeight(MemoHint->fontMetrics().lineSpacing() * 4 + 12);
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
    form->addRow(label("LblType", "Condition type:"), CbType);
    form->addRow(label("LblArg", "Argument:"), EdArg);
    form->addRow(label("LblHint", "Hint:"), MemoHint);
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
    CbType->addItems(Items(QStringLiteral("condition_types"),
                           {QStringLiteral("Short number"), QStringLiteral("Age"), QStringLiteral("Template")}));
    for (int i = 0; i < CbType->count(); ++i)
        CbType->setItemData(i, i);
    connect(CbType, &QComboBox::currentIndexChanged, this, &TConditionEditForm::TypeChanged);
    setMinimumWidth(360);
    // At the mouse, inside the screen.
    adjustSize();
    if (const QScreen *s = QGuiApplication::screenAt(QCursor::pos())) {
        const QRect work = s->availableGeometry();
        QPoint p = QCursor::pos();
        p.setX(qBound(work.left(), p.x(), work.right() - width()));
        p.setY(qBound(work.top(), p.y(), work.bottom() - height()));
        move(p);
    }
}

void TConditionEditForm::SetCondition(const TSmsFilter::TCondition &c)
{
    fCondition = c;
    int at = CbType->findData(c.TypInt());
    if (at < 0) {
        CbType->addItem(QStringLiteral("%1 (%2)").arg(c.Hash()).arg(c.TypInt()), c.TypInt());
        at = CbType->count() - 1;
    }
    const QSignalBlocker b(CbType);
    CbType->setCurrentIndex(at);
    TypeChanged();
}

void TConditionEditForm::TypeChanged()
{
    const int typ = CbType->currentData().toInt();
    EdArg->setEnabled(typ != 0);
    EdArg->setText(typ == 0 ? QString() : fCondition.Arg());
    const QStringList hints = Translation.GetString(QStringLiteral("condition_hints")).split(u'|');
    const int i = CbType->currentIndex();
    MemoHint->setPlainText(i >= 0 && i < hints.size() ? QString(hints[i]).replace(QLatin1String("\\n"), QLatin1String("\n"))
                                                      : QString());
}

TSmsFilter::TCondition TConditionEditForm::ApplyChanges() const
{
    const int typ = CbType->currentData().toInt();
    return TSmsFilter::TCondition(typ, typ == 0 ? QString() : EdArg->text().trimmed());
}
