#include "ObjEditForm.h"

#include "FormTranslate.h"
#include "OSM.ObjectInfo.h"
#include "ObjPhotoForm.h"
#include "ZtFlash.h"
#include "ZtLed.h"
#include "client.h"
#include "common.h"

#include <QColorDialog>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

TObjEditForm::TObjEditForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ObjEditForm"));
    setWindowTitle(QStringLiteral("Object Editor"));

    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto led = [this](const char *name) {
        auto *l = new TZtLed(this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto edit = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        return e;
    };
    EdId = edit("EdId");
    EdName = edit("EdName");
    EdFriends = edit("EdFriends");
    EdTrackColor = label("EdTrackColor", QString());
    EdTrackColor->setMinimumSize(60, 20);
    EdTrackColor->setAutoFillBackground(true);
    EdTrackColor->setCursor(Qt::PointingHandCursor);
    EdTrackColor->installEventFilter(this);
    SbFriendsHelp = new QToolButton(this);
    SbFriendsHelp->setObjectName(QStringLiteral("SbFriendsHelp"));
    SbFriendsHelp->setText(QStringLiteral("?"));
    PhotoImage = label("PhotoImage", QString());
    PhotoImage->setFixedSize(128, 128);
    PhotoImage->setFrameShape(QFrame::Box);
    PhotoImage->setAlignment(Qt::AlignCenter);
    PhotoImage->setCursor(Qt::PointingHandCursor);
    PhotoImage->installEventFilter(this);
    ButClearPhoto = new QPushButton(QStringLiteral("Clear photo"), this);
    ButClearPhoto->setObjectName(QStringLiteral("ButClearPhoto"));
    ButClearPhoto->setAutoDefault(false);
    LblStatus = label("LblStatus", QString());
    ButSave = new QPushButton(QStringLiteral("Save"), this);
    ButSave->setObjectName(QStringLiteral("ButSave"));
    ButSave->setDefault(true);
    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    ButCancel->setAutoDefault(false);
    LedId = led("LedId");
    LedName = led("LedName");
    LedTrackColor = led("LedTrackColor");
    LedFriends = led("LedFriends");

    auto *grid = new QGridLayout;
    grid->addWidget(LedId, 0, 0);
    grid->addWidget(label("LblId", QStringLiteral("ID:")), 0, 1);
    grid->addWidget(EdId, 0, 2, 1, 2);
    grid->addWidget(LedName, 1, 0);
    grid->addWidget(label("LblName", QStringLiteral("Name:")), 1, 1);
    grid->addWidget(EdName, 1, 2, 1, 2);
    grid->addWidget(LedTrackColor, 2, 0);
    grid->addWidget(label("LblTrackColor", QStringLiteral("Track color:")), 2, 1);
    grid->addWidget(EdTrackColor, 2, 2, 1, 2);
    grid->addWidget(LedFriends, 3, 0);
    grid->addWidget(label("LblFriends", QStringLiteral("Friendly users:")), 3, 1);
    grid->addWidget(EdFriends, 3, 2);
    grid->addWidget(SbFriendsHelp, 3, 3);
    grid->addWidget(label("LblPhoto", QStringLiteral("Photo:")), 4, 1, Qt::AlignTop);
    auto *photo = new QVBoxLayout;
    photo->addWidget(PhotoImage);
    photo->addWidget(ButClearPhoto);
    grid->addLayout(photo, 4, 2, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(LblStatus, 1);
    buttons->addWidget(ButSave);
    buttons->addWidget(ButCancel);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addLayout(buttons);

    connect(EdId, &QLineEdit::textEdited, this, [this] { FieldChanged(LedId); });
    connect(EdName, &QLineEdit::textEdited, this, [this] { FieldChanged(LedName); });
    connect(EdFriends, &QLineEdit::textEdited, this, [this] { FieldChanged(LedFriends); });
    connect(ButSave, &QPushButton::clicked, this, &TObjEditForm::ButSaveClick);
    connect(ButCancel, &QPushButton::clicked, this, &TObjEditForm::ButCancelClick);
    connect(ButClearPhoto, &QPushButton::clicked, this, &TObjEditForm::ClearPhotoClick);
    connect(SbFriendsHelp, &QToolButton::clicked, this, [this] {
        QToolTip::showText(SbFriendsHelp->mapToGlobal(QPoint(0, SbFriendsHelp->height())),
                           Translation.GetString(QStringLiteral("friendly_users_hint")), SbFriendsHelp);
    });
    Ask = [this](const QString &caption, const QString &text) {
        return QMessageBox::question(this, caption, text) == QMessageBox::Yes;
    };
    EditPhoto = [this](TVelmoraClient *client, TObjectInfo *object) {
        TObjPhotoForm form(this);
        form.EditPhoto(client, object);
    };
    TranslateForm(this);
}

TObjEditForm::~TObjEditForm() = default;

void TObjEditForm::Open(TVelmoraClient *Client, TObjectInfo *Object)
{
    fClient = Client;
    fObjectInfo = Object;
    if (!Object)
        return;
    const bool isNew = Object->uid == 0;
    setWindowTitle(isNew ? Translation.GetString(QStringLiteral("create_object"))
                         : Translation.GetString(QStringLiteral("edit_object"), {Object->uid}));
    ButSave->setText(Translation.GetString(isNew ? QStringLiteral("create") : QStringLiteral("update")));
    EdId->setText(Object->id);
    EdId->setReadOnly(!isNew);
    EdName->setText(Object->name);
    SetTrackColor(Object->track_color);
    EdFriends->setText(Object->users_list);
    // An object that another user shares with us: its friends are his to set.
    EdFriends->setEnabled(!Object->is_alien);
    SwitchLedsOff();
    SetStatus(QString());
    if (Object->photo.isNull() && fClient)
        fClient->GetPhoto(Object);
    ShowPhoto();
}

int TObjEditForm::EditObject(TVelmoraClient *Client, TObjectInfo *Object)
{
    if (!Object)
        return QDialog::Rejected;
    Open(Client, Object);
    return exec();
}

void TObjEditForm::SwitchLedsOff()
{
    for (TZtLed *l : {LedId, LedName, LedTrackColor, LedFriends})
        l->SetLit(false);
    ButSave->setEnabled(false);
}

void TObjEditForm::FieldChanged(TZtLed *Led)
{
    Led->SetLit(true);
    ButSave->setEnabled(true);
}

void TObjEditForm::SetTrackColor(TColor Color)
{
    fTrackColor = Color;
    QPalette pal = EdTrackColor->palette();
    pal.setColor(QPalette::Window, QColor(int(Color & 0xFF), int((Color >> 8) & 0xFF), int((Color >> 16) & 0xFF)));
    EdTrackColor->setPalette(pal);
    if (fObjectInfo && Color != fObjectInfo->track_color)
        FieldChanged(LedTrackColor);
}

void TObjEditForm::SetStatus(const QString &Text)
{
    const bool error = Text.startsWith(QLatin1Char('!'));
    LblStatus->setText(error ? Text.mid(1) : Text);
    LblStatus->setStyleSheet(error ? QStringLiteral("color: red") : QStringLiteral("color: black"));
}

void TObjEditForm::ShowPhoto()
{
    if (!fObjectInfo || fObjectInfo->photo.isNull()) {
        PhotoImage->setPixmap(QPixmap());
        return;
    }
    PhotoImage->setPixmap(QPixmap::fromImage(
        fObjectInfo->photo.scaled(PhotoImage->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

QMap<QString, QString> TObjEditForm::Changes() const
{
    QMap<QString, QString> c;
    if (LedId->Lit())
        c.insert(QStringLiteral("id"), EdId->text().trimmed());
    if (LedName->Lit())
        c.insert(QStringLiteral("name"), EdName->text().trimmed());
    if (LedTrackColor->Lit())
        c.insert(QStringLiteral("track_color"), ColorToHtml(fTrackColor).toUpper());
    if (LedFriends->Lit())
        c.insert(QStringLiteral("users_list"), EdFriends->text().trimmed());
    return c;
}

void TObjEditForm::ButSaveClick()
{
    if (!fObjectInfo || !fClient)
        return;
    const QMap<QString, QString> changes = Changes();
    if (changes.isEmpty())
        return;
    if (EdId->text().trimmed().isEmpty()) {
        FlashControl(EdId);
        return;
    }
    TObjectInfo &o = *fObjectInfo;
    auto take = [&] {
        if (changes.contains(QStringLiteral("id")))
            o.id = changes.value(QStringLiteral("id"));
        if (changes.contains(QStringLiteral("name")))
            o.name = changes.value(QStringLiteral("name"));
        if (changes.contains(QStringLiteral("track_color")))
            o.track_color = fTrackColor;
        if (changes.contains(QStringLiteral("users_list")))
            o.users_list = changes.value(QStringLiteral("users_list"));
    };
    if (o.uid != 0) {
        if (!fClient->UpdateObject(o.uid, changes)) {
            SetStatus(QLatin1Char('!') + Translation.GetString(QStringLiteral("update_error"), {fClient->ErrorMessage()}));
            return;
        }
        SetStatus(Translation.GetString(QStringLiteral("object_updated")));
    } else {
        const int uid = fClient->CreateObject(changes);
        if (uid <= 0) {
            SetStatus(QLatin1Char('!') + Translation.GetString(QStringLiteral("create_error"), {fClient->ErrorMessage()}));
            return;
        }
        SetStatus(Translation.GetString(QStringLiteral("object_created"), {uid}));
        o.uid = uid;
    }
    SwitchLedsOff();
    take();
    accept();
}

void TObjEditForm::ButCancelClick()
{
    // The object was not touched while the editor was open: the fields only
    // reach it on a save. Whatever the minute's update brought meanwhile
    // (position, battery, alarms, a renamed object) stays.
    reject();
}

void TObjEditForm::ClearPhotoClick()
{
    if (!fObjectInfo || !fClient || fObjectInfo->uid == 0)
        return;
    if (!Ask || !Ask(Translation.GetString(QStringLiteral("delete_photo")),
                     Translation.GetString(QStringLiteral("delete_photo_prompt"))))
        return;
    if (fClient->DeletePhoto(fObjectInfo))
        ShowPhoto();
    else
        SetStatus(QLatin1Char('!') + Translation.GetString(QStringLiteral("delete_photo_error")) + QStringLiteral(": ")
                  + fClient->ErrorMessage());
}

bool TObjEditForm::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::MouseButtonRelease) {
        if (Watched == EdTrackColor) {
            const QColor c = QColorDialog::getColor(EdTrackColor->palette().color(QPalette::Window), this);
            if (c.isValid())
                SetTrackColor(TColor(c.red()) | TColor(c.green()) << 8 | TColor(c.blue()) << 16);
            return true;
        }
        if (Watched == PhotoImage && fObjectInfo && fObjectInfo->uid != 0 && EditPhoto) {
            EditPhoto(fClient, fObjectInfo);
            if (fObjectInfo->photo.isNull() && fClient)
                fClient->GetPhoto(fObjectInfo);
            ShowPhoto();
            return true;
        }
    }
    return QDialog::eventFilter(Watched, Event);
}
