#include "AcceptEventForm.h"

#include "FormTranslate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TAcceptEventForm::TAcceptEventForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AcceptEventForm"));
    setWindowTitle(QStringLiteral("Accept Event"));
    LblAcceptMsg = new QLabel(QStringLiteral("Accept message:"), this);
    LblAcceptMsg->setObjectName(QStringLiteral("LblAcceptMsg"));
    EdAcceptMsg = new QLineEdit(this);
    EdAcceptMsg->setObjectName(QStringLiteral("EdAcceptMsg"));
    EdAcceptMsg->setMinimumWidth(320);
    LblAcceptMsg->setBuddy(EdAcceptMsg);
    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    ButOk = new QPushButton(QStringLiteral("Ok"), this);
    ButOk->setObjectName(QStringLiteral("ButOk"));
    ButOk->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButCancel);
    buttons->addWidget(ButOk);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LblAcceptMsg);
    lay->addWidget(EdAcceptMsg);
    lay->addLayout(buttons);

    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButOk, &QPushButton::clicked, this, &QDialog::accept);
    TranslateForm(this);
}

QString TAcceptEventForm::GetAcceptMessage() const { return EdAcceptMsg->text().trimmed(); }

void TAcceptEventForm::SetAcceptMessage(const QString &Msg) { EdAcceptMsg->setText(Msg); }
