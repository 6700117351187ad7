#include "StartTripForm.h"

#include "FormTranslate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TStartTripForm::TStartTripForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("StartTripForm"));
    setWindowTitle(QStringLiteral("Start trip"));
    LblTripName = new QLabel(QStringLiteral("Trip name:"), this);
    LblTripName->setObjectName(QStringLiteral("LblTripName"));
    EdTripName = new QLineEdit(this);
    EdTripName->setObjectName(QStringLiteral("EdTripName"));
    EdTripName->setMinimumWidth(260);
    LblTripName->setBuddy(EdTripName);
    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    ButStart = new QPushButton(QStringLiteral("Start"), this);
    ButStart->setObjectName(QStringLiteral("ButStart"));
    ButStart->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButCancel);
    buttons->addWidget(ButStart);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LblTripName);
    lay->addWidget(EdTripName);
    lay->addLayout(buttons);

    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButStart, &QPushButton::clicked, this, &QDialog::accept);
    TranslateForm(this);
}

QString TStartTripForm::TripName() const { return EdTripName->text().trimmed(); }

void TStartTripForm::SetTripName(const QString &Name) { EdTripName->setText(Name); }
