#include "FrmEditPad.h"

#include "FormTranslate.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFrmEditPad::TFrmEditPad(QWidget *Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("FrmEditPad"));
    setWindowTitle(QStringLiteral("Editor"));
    setMinimumSize(200, 200);
    Edit = new QPlainTextEdit(this);
    Edit->setObjectName(QStringLiteral("Edit"));
    Edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    ButOk = new QPushButton(QStringLiteral("OK"), this);
    ButOk->setObjectName(QStringLiteral("ButOk"));
    ButOk->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButCancel);
    buttons->addWidget(ButOk);
    auto *box = new QVBoxLayout(this);
    box->addWidget(Edit, 1);
    box->addLayout(buttons);
    connect(ButOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    TranslateForm(this);
}

QString TFrmEditPad::Text() const
{
    return Edit->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void TFrmEditPad::SetText(const QString &Value)
{
    Edit->setPlainText(QString(Value).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}
