#pragma once

#include "FormTranslate.h"

#include <QDialog>

class QLabel;
class TZtUrlLabel;

// The About window: the application's name, its version, a notice line and
// the service's web site.
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    // Texts come from lookup, by default the program's translation (the
    // window keys of "AboutForm", and the message keys app_name, app_version
    // with the version as %s, and copyright); the built-in texts stay where it
    // has none.
    explicit TAboutForm(QWidget *parent = nullptr, const TFormTextLookup &lookup = {});

    static QString Version();
    static QString SiteUrl();

    QLabel *LblAppName = nullptr;
    QLabel *LblVersion = nullptr;
    QLabel *LblNotice = nullptr;
    TZtUrlLabel *LblUrl = nullptr;
};
