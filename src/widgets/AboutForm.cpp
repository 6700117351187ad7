#include "AboutForm.h"
#include "ZtUrlLabel.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0.0.0"
#endif

QString TAboutForm::Version()
{
    return QStringLiteral(VELMORA_VERSION);
}

QString TAboutForm::SiteUrl()
{
    return QStringLiteral("https://velmora.net/");
}

TAboutForm::TAboutForm(QWidget *parent, const TFormTextLookup &lookupArg)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));

    LblAppName = new QLabel(QStringLiteral("Velmora Monitor"), this);
    LblAppName->setObjectName(QStringLiteral("LblAppName"));
    QFont f = LblAppName->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.5);
    LblAppName->setFont(f);
    LblVersion = new QLabel(QStringLiteral("Version %1").arg(Version()), this);
    LblVersion->setObjectName(QStringLiteral("LblVersion"));
    LblNotice = new QLabel(QStringLiteral("Velmora GPS monitoring. All rights reserved."), this);
    LblNotice->setObjectName(QStringLiteral("LblNotice"));
    LblNotice->setWordWrap(true);
    LblUrl = new TZtUrlLabel(this);
    LblUrl->setObjectName(QStringLiteral("LblUrl"));
    LblUrl->SetUrl(QUrl(SiteUrl()));
    LblUrl->setText(SiteUrl());

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ButOk"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *lay = new QVBoxLayout(this);
    for (QWidget *w : {static_cast<QWidget *>(LblAppName), static_cast<QWidget *>(LblVersion),
                       static_cast<QWidget *>(LblNotice), static_cast<QWidget *>(LblUrl)}) {
        // The labels take the whole width and centre their text: a wrapped
        // label placed by its own size hint would be cut to its first words.
        lay->addWidget(w);
        if (auto *l = qobject_cast<QLabel *>(w))
            l->setAlignment(Qt::AlignHCenter);
    }
    lay->addWidget(buttons);

    {
        const TFormTextLookup lookup = lookupArg ? lookupArg : ProgramTextLookup();
        TranslateForm(this, lookup);
        const QString window = objectName();
        const QString name = lookup(window, QStringLiteral("app_name"));
        if (!name.isEmpty())
            LblAppName->setText(name);
        const QString version = lookup(window, QStringLiteral("app_version"));
        if (!version.isEmpty())
            LblVersion->setText(QString(version).replace(QLatin1String("%s"), Version()));
        const QString notice = lookup(window, QStringLiteral("copyright"));
        if (!notice.isEmpty())
            LblNotice->setText(notice);
    }
}
