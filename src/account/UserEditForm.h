#pragma once

#include "FieldEditForm.h"
#include "client.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The account kept by the service: name, e-mail, Telegram chat ID, password
// and time zone. The caller sends the changed fields (Fields) with the
// client's UpdateUser.
//
// Fields: name, email (trimmed), t_chat_id (decimal, 0 when not a number),
// password (trimmed; left out while the field is empty, so that typing and
// erasing never sends an empty password), tz (seconds east of UTC).
class TUserEditForm : public TFieldEditForm
{
    Q_OBJECT
public:
    explicit TUserEditForm(QWidget *parent = nullptr);

    // Fills the dialog from the record, switches the indicators off and shows
    // it modally; true on OK.
    bool EditUser(const TUserInfo &aUserInfo);
    // The filling part of EditUser, for callers that show the dialog themselves.
    void LoadUser(const TUserInfo &aUserInfo);

    // As passed in, and kept current with the name, e-mail and chat ID typed.
    TUserInfo SrcUserInfo;
    TUserInfo UserInfo;

    QLabel *LblLogin = nullptr;
    QLineEdit *EdLogin = nullptr;
    QLabel *LblToken = nullptr;
    QLineEdit *EdToken = nullptr;
    QLabel *LblName = nullptr;
    QLineEdit *EdName = nullptr;
    QLabel *LblEmail = nullptr;
    QLineEdit *EdEmail = nullptr;
    QLabel *LblTgChatId = nullptr;
    QLineEdit *EdTgChatId = nullptr;
    QToolButton *SbTgChatIdHelp = nullptr;
    QLabel *LblPassword = nullptr;
    QLineEdit *EdPassword = nullptr;
    QToolButton *SbShowPass = nullptr;
    QLabel *LblTimeZone = nullptr;
    QComboBox *CbTimeZone = nullptr;
    QPushButton *ButCancel = nullptr;
    QPushButton *ButOk = nullptr;

public Q_SLOTS:
    void SbTgChatIdHelpClick();
    void SbShowPassClick();

protected:
    QString FieldValue(const QString &key) const override;
    bool FieldIncluded(const QString &key) const override;
};
