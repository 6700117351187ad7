#pragma once

#include "ZtUtils.h"

#include <QDialog>
#include <QMap>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TObjectInfo;
class TVelmoraClient;
class TZtLed;

// The object editor: creates an object or changes its identifier, name,
// track colour and friendly users, and shows its photo. Only the fields the
// user changed are sent; the object takes them when the service accepted.
class TObjEditForm : public QDialog
{
    Q_OBJECT
public:
    explicit TObjEditForm(QWidget *parent = nullptr);
    ~TObjEditForm() override;

    // Shows the editor modally on the object (uid 0: a new one); the result
    // is QDialog::Accepted after a save the service accepted.
    int EditObject(TVelmoraClient *Client, TObjectInfo *Object);
    // The filling part of EditObject, for callers that show the editor themselves.
    void Open(TVelmoraClient *Client, TObjectInfo *Object);

    // What a colour chosen in the chooser does.
    void SetTrackColor(TColor Color);
    // The fields that Save would send now.
    QMap<QString, QString> Changes() const;
    void ButSaveClick();
    void ButCancelClick();
    // The status line: a text beginning with "!" in red, without the "!".
    void SetStatus(const QString &Text);

    QLineEdit *EdId = nullptr;
    QLineEdit *EdName = nullptr;
    QLabel *EdTrackColor = nullptr;
    QLineEdit *EdFriends = nullptr;
    QToolButton *SbFriendsHelp = nullptr;
    QLabel *PhotoImage = nullptr;
    QPushButton *ButClearPhoto = nullptr;
    QLabel *LblStatus = nullptr;
    QPushButton *ButSave = nullptr;
    QPushButton *ButCancel = nullptr;
    TZtLed *LedId = nullptr;
    TZtLed *LedName = nullptr;
    TZtLed *LedTrackColor = nullptr;
    TZtLed *LedFriends = nullptr;

    // Opens the photo dialog for the object; tests replace it.
    std::function<void(TVelmoraClient *, TObjectInfo *)> EditPhoto;
    // A yes/no question (caption, text) → true for yes; tests replace it.
    std::function<bool(const QString &Caption, const QString &Text)> Ask;

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void ShowPhoto();
    void ClearPhotoClick();
    void FieldChanged(TZtLed *Led);
    void SwitchLedsOff();

    TVelmoraClient *fClient = nullptr;
    TObjectInfo *fObjectInfo = nullptr;
    TColor fTrackColor = 0;
};
