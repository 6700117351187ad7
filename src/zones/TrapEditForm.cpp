#include "TrapEditForm.h"
#include "OSM.ObjectInfo.h"

#include "FormTranslate.h"
#include "TrapTemplateEdit.h"
#include "ZtFlash.h"
#include "ZtLed.h"
#include "client.h"
#include "common.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <stdexcept>

namespace {
const char *const MsgFieldEntries[] = {"{{.object}}: Object name", "{{.target}}: Target name",
                                       "{{.tval}}: Target value",  "{{.sval}}: Current value",
                                       "{{.lat}},{{.lon}}: Coordinates", "{{.time}}: Time"};

QStringList ListOfKey(const char *key)
{
    return Translation.GetString(QString::fromLatin1(key)).split(u'|', Qt::SkipEmptyParts);
}
} // namespace

TTrapEditForm::TTrapEditForm(QWidget *parent)
    : TFieldEditForm(parent)
{
    setObjectName(QStringLiteral("TrapEditForm"));
    setWindowTitle(QStringLiteral("Trap Info"));

    auto combo = [this](const char *name) {
        auto *c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setMinimumWidth(220);
        return c;
    };
    auto check = [this](const char *name, const QString &text) {
        auto *c = new QCheckBox(text, this);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    auto group = [this](const char *name, const QString &title) {
        auto *g = new QGroupBox(title, this);
        g->setObjectName(QString::fromLatin1(name));
        return g;
    };

    GbObject = group("GbObject", QStringLiteral("Object"));
    CbObject = combo("CbObject");
    GbTarget = group("GbTarget", QStringLiteral("Target"));
    LblTargetType = NewLabel("LblTargetType", QStringLiteral("Target type:"));
    CbTargetType = combo("CbTargetType");
    LblTarget = NewLabel("LblTarget", QStringLiteral("Target:"));
    CbTarget = combo("CbTarget");
    LblCondition = NewLabel("LblCondition", QStringLiteral("Condition:"));
    CbCondition = combo("CbCondition");
    LblVal = NewLabel("LblVal", QStringLiteral("Value:"));
    EdVal = new QLineEdit(this);
    EdVal->setObjectName(QStringLiteral("EdVal"));
    GbAlarm = group("GbAlarm", QStringLiteral("Alarm"));
    CbIsAlarm = check("CbIsAlarm", QStringLiteral("Is alarm"));
    CbManualAccept = check("CbManualAccept", QStringLiteral("Manual accept"));
    GbMessage = group("GbMessage", QStringLiteral("Message"));
    LblSubj = NewLabel("LblSubj", QStringLiteral("Subject:"));
    EdSubj = new TTrapTemplateEdit(64, true, this);
    EdSubj->setObjectName(QStringLiteral("EdSubj"));
    LblMsg = NewLabel("LblMsg", QStringLiteral("Message:"));
    EdMsg = new TTrapTemplateEdit(0, false, this);
    EdMsg->setObjectName(QStringLiteral("EdMsg"));
    CbMsgFields = combo("CbMsgFields");
    CbMsgFields->setToolTip(QStringLiteral("Select field {...}"));
    CbMsgFields->setFocusPolicy(Qt::ClickFocus);
    for (const char *e : MsgFieldEntries)
        CbMsgFields->addItem(QString::fromUtf8(e));
    CbMsgFields->setCurrentIndex(-1);
    CbSendToTelegram = check("CbSendToTelegram", QStringLiteral("Send to Telegram"));
    CbSendToEmail = check("CbSendToEmail", QStringLiteral("Send to Email"));

    // The lamps in the order Fields lists them.
    TZtLed *ledObject = NewLed(QStringLiteral("obj_id"), "LedObject");
    TZtLed *ledType = NewLed(QStringLiteral("target_type_id"), "LedTargetType");
    TZtLed *ledTarget = NewLed(QStringLiteral("target_id"), "LedTarget");
    TZtLed *ledCondition = NewLed(QStringLiteral("condition_id"), "LedCondition");
    TZtLed *ledVal = NewLed(QStringLiteral("val"), "LedVal");
    TZtLed *ledAlarm = NewLed(QStringLiteral("is_alarm"), "LedIsAlarm");
    TZtLed *ledAccept = NewLed(QStringLiteral("accept_type_id"), "LedManualAccept");
    TZtLed *ledSubj = NewLed(QStringLiteral("subj"), "LedSubj");
    TZtLed *ledMsg = NewLed(QStringLiteral("msg"), "LedMsg");
    TZtLed *ledEmail = NewLed(QStringLiteral("email"), "LedSendToEmail");
    TZtLed *ledTelegram = NewLed(QStringLiteral("telegram"), "LedSendToTelegram");

    NewButtons(ButCancel, ButOk);
    ButOk->setText(QStringLiteral("Ok"));

    auto *objLay = new QHBoxLayout(GbObject);
    objLay->addWidget(ledObject);
    objLay->addWidget(CbObject, 1);

    auto *tgt = new QGridLayout(GbTarget);
    auto row = [](QGridLayout *g, int r, QWidget *led, QWidget *label, QWidget *field) {
        g->addWidget(led, r, 0);
        if (label)
            g->addWidget(label, r, 1);
        g->addWidget(field, r, label ? 2 : 1, 1, label ? 1 : 2);
    };
    row(tgt, 0, ledType, LblTargetType, CbTargetType);
    row(tgt, 1, ledTarget, LblTarget, CbTarget);
    row(tgt, 2, ledCondition, LblCondition, CbCondition);
    row(tgt, 3, ledVal, LblVal, EdVal);
    tgt->setColumnStretch(2, 1);

    auto *alarm = new QGridLayout(GbAlarm);
    row(alarm, 0, ledAlarm, nullptr, CbIsAlarm);
    row(alarm, 1, ledAccept, nullptr, CbManualAccept);

    auto *msg = new QGridLayout(GbMessage);
    row(msg, 0, ledSubj, LblSubj, EdSubj);
    row(msg, 1, ledMsg, LblMsg, EdMsg);
    msg->addWidget(CbMsgFields, 2, 2);
    row(msg, 3, ledTelegram, nullptr, CbSendToTelegram);
    row(msg, 4, ledEmail, nullptr, CbSendToEmail);
    msg->setColumnStretch(2, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButCancel);
    buttons->addWidget(ButOk);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(GbObject);
    lay->addWidget(GbTarget);
    lay->addWidget(GbAlarm);
    lay->addWidget(GbMessage);
    lay->addLayout(buttons);
    setMinimumWidth(460);

    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButOk, &QPushButton::clicked, this, &TTrapEditForm::accept);
    connect(CbObject, &QComboBox::currentIndexChanged, this, &TTrapEditForm::CbObjectChange);
    connect(CbTargetType, &QComboBox::currentIndexChanged, this, &TTrapEditForm::CbTargetTypeChange);
    connect(CbTarget, &QComboBox::currentIndexChanged, this, &TTrapEditForm::CbTargetChange);
    connect(CbCondition, &QComboBox::currentIndexChanged, this, &TTrapEditForm::CbConditionChange);
    connect(EdVal, &QLineEdit::textChanged, this, &TTrapEditForm::EdValChange);
    connect(CbIsAlarm, &QCheckBox::toggled, this, &TTrapEditForm::CbIsAlarmClick);
    connect(CbManualAccept, &QCheckBox::toggled, this, &TTrapEditForm::CbManualAcceptClick);
    connect(EdSubj, &QPlainTextEdit::textChanged, this, &TTrapEditForm::EdSubjChange);
    connect(EdMsg, &QPlainTextEdit::textChanged, this, &TTrapEditForm::EdMsgChange);
    connect(EdSubj, &TTrapTemplateEdit::entered, this, &TTrapEditForm::EdSubjEnter);
    connect(EdMsg, &TTrapTemplateEdit::entered, this, &TTrapEditForm::EdMsgEnter);
    connect(CbMsgFields, &QComboBox::activated, this, &TTrapEditForm::CbMsgFieldsChange);
    connect(CbSendToEmail, &QCheckBox::toggled, this, &TTrapEditForm::CbSendToEmailClick);
    connect(CbSendToTelegram, &QCheckBox::toggled, this, &TTrapEditForm::CbSendToTelegramClick);

    TranslateForm(this);
}

TZtLed *TTrapEditForm::NewLed(const QString &key, const char *name)
{
    auto *led = new TZtLed(this);
    led->setObjectName(QString::fromLatin1(name));
    fLedList << led;
    fLedKeys << key;
    return led;
}

void TTrapEditForm::Light(const QString &key)
{
    if (TZtLed *led = Led(key))
        led->SetLit(true);
}

int TTrapEditForm::EntryId(const QString &Entry)
{
    return Entry.section(u':', 0, 0).trimmed().toInt();
}

void TTrapEditForm::SelectById(QComboBox *Combo, int Id)
{
    for (int i = 0; i < Combo->count(); ++i)
        if (EntryId(Combo->itemText(i)) == Id) {
            Combo->setCurrentIndex(i);
            return;
        }
    Combo->setCurrentIndex(-1);
}

void TTrapEditForm::LoadTrap(TVelmoraClient *aClient, const TTrapInfo *aTrapInfo, int32_t aObjId, bool ReadOnly)
{
    if (!aClient)
        throw std::runtime_error(
            (QStringLiteral("EditTrap: ") + Translation.GetString(QStringLiteral("client_not_assigned"))).toStdString());
    fClient = aClient;
    fReadOnly = ReadOnly;
    if (aTrapInfo) {
        fSrcTrapInfo.Assign(*aTrapInfo);
    } else {
        fSrcTrapInfo = TTrapInfo(0, aObjId);
        fSrcTrapInfo.fZoneList = &aClient->ZoneList();
    }
    fTrapInfo.Assign(fSrcTrapInfo);

    if (ReadOnly)
        setWindowTitle(Translation.GetString(QStringLiteral("trap_info"), {fTrapInfo.uid}));
    else if (fTrapInfo.uid > 0)
        setWindowTitle(Translation.GetString(QStringLiteral("edit_trap"), {fTrapInfo.uid}));
    else
        setWindowTitle(Translation.GetString(QStringLiteral("create_trap")));

    fFilling = true;
    CbObject->clear();
    CbObject->addItem(QStringLiteral("0: GENERAL"));
    for (const auto &o : fClient->ObjList())
        CbObject->addItem(QString::number(o->uid) + QStringLiteral(": ") + o->name);
    SelectById(CbObject, fTrapInfo.obj_id);
    fTrapInfo.fObjInfo = fClient->FindObject(fTrapInfo.obj_id);
    fTrapInfo.fZoneList = &fClient->ZoneList();

    CbTargetType->clear();
    CbTargetType->addItems(ListOfKey("trap_target_types"));
    SelectById(CbTargetType, int(fTrapInfo.target_type_id));
    FillTargets();
    FillConditions();
    EdVal->setText(fTrapInfo.val);
    CbIsAlarm->setChecked(fTrapInfo.is_alarm);
    CbManualAccept->setChecked(fTrapInfo.accept_type_id == 1);
    EdSubj->SetText(fTrapInfo.subj);
    EdMsg->SetText(fTrapInfo.msg);
    CbSendToEmail->setChecked(fTrapInfo.email);
    CbSendToTelegram->setChecked(fTrapInfo.telegram);
    fFilling = false;

    for (QGroupBox *g : {GbObject, GbTarget, GbAlarm, GbMessage})
        g->setEnabled(!ReadOnly);
    SwitchLedsOff();
}

bool TTrapEditForm::EditTrap(TVelmoraClient *aClient, const TTrapInfo *aTrapInfo, int32_t aObjId)
{
    LoadTrap(aClient, aTrapInfo, aObjId, false);
    return exec() == QDialog::Accepted && Modified();
}

void TTrapEditForm::ShowTrap(TVelmoraClient *aClient, const TTrapInfo &aTrapInfo)
{
    LoadTrap(aClient, &aTrapInfo, aTrapInfo.obj_id, true);
    exec();
}

void TTrapEditForm::FillTargets()
{
    const bool was = fFilling;
    fFilling = true;
    CbTarget->clear();
    if (fTrapInfo.target_type_id == 1 && fClient) {
        for (const auto &z : fClient->ZoneList())
            CbTarget->addItem(QString::number(z->uid) + QStringLiteral(": ") + z->name);
    } else if (fTrapInfo.target_type_id == 2 && fTrapInfo.fObjInfo) {
        for (const auto &s : fTrapInfo.fObjInfo->sensors)
            CbTarget->addItem(QString::number(s->uid) + QStringLiteral(": ") + s->name);
    }
    SelectById(CbTarget, fTrapInfo.target_id);
    fFilling = was;
    ShowTargetRows();
}

void TTrapEditForm::FillConditions()
{
    const bool was = fFilling;
    fFilling = true;
    CbCondition->clear();
    if (fTrapInfo.target_type_id == 1)
        CbCondition->addItems(ListOfKey("trap_zone_conditions"));
    else if (fTrapInfo.target_type_id >= 2 && fTrapInfo.target_type_id <= 5)
        CbCondition->addItems(ListOfKey("trap_conditions"));
    SelectById(CbCondition, fTrapInfo.condition_id);
    fFilling = was;
}

void TTrapEditForm::ShowTargetRows()
{
    const bool hasTargets = CbTarget->count() > 0;
    LblTarget->setVisible(hasTargets);
    CbTarget->setVisible(hasTargets);
    if (TZtLed *led = Led(QStringLiteral("target_id")))
        led->setVisible(hasTargets || led->Lit());
    const bool zone = fTrapInfo.target_type_id == 1;
    LblVal->setVisible(!zone);
    EdVal->setVisible(!zone);
}

void TTrapEditForm::CbObjectChange()
{
    if (fFilling || CbObject->currentIndex() < 0)
        return;
    const int id = EntryId(CbObject->currentText());
    if (id == fTrapInfo.obj_id)
        return;
    fTrapInfo.obj_id = id;
    fTrapInfo.fObjInfo = fClient ? fClient->FindObject(id) : nullptr;
    Light(QStringLiteral("obj_id"));
    if (fTrapInfo.target_type_id == 2) {
        // Another object has other sensors: the old sensor id means nothing there.
        fTrapInfo.target_id = 0;
        FillTargets();
        Light(QStringLiteral("target_id"));
    }
}

void TTrapEditForm::CbTargetTypeChange()
{
    if (fFilling || CbTargetType->currentIndex() < 0)
        return;
    const int id = EntryId(CbTargetType->currentText());
    if (id == int(fTrapInfo.target_type_id))
        return;
    fTrapInfo.target_type_id = uint32_t(id);
    // The old target and condition belong to the old type; the update must
    // carry their clearing too, or the service keeps the stale pair.
    fTrapInfo.target_id = 0;
    fTrapInfo.condition_id = 0;
    Light(QStringLiteral("target_type_id"));
    Light(QStringLiteral("target_id"));
    Light(QStringLiteral("condition_id"));
    FillTargets();
    FillConditions();
}

void TTrapEditForm::CbTargetChange()
{
    if (fFilling || CbTarget->currentIndex() < 0)
        return;
    fTrapInfo.target_id = EntryId(CbTarget->currentText());
    Light(QStringLiteral("target_id"));
}

void TTrapEditForm::CbConditionChange()
{
    if (fFilling || CbCondition->currentIndex() < 0)
        return;
    fTrapInfo.condition_id = EntryId(CbCondition->currentText());
    Light(QStringLiteral("condition_id"));
}

void TTrapEditForm::EdValChange()
{
    if (fFilling)
        return;
    fTrapInfo.val = Val();
    Light(QStringLiteral("val"));
}

void TTrapEditForm::CbIsAlarmClick()
{
    if (fFilling)
        return;
    fTrapInfo.is_alarm = IsAlarm();
    Light(QStringLiteral("is_alarm"));
}

void TTrapEditForm::CbManualAcceptClick()
{
    if (fFilling)
        return;
    fTrapInfo.accept_type_id = ManualAccept() ? 1 : 0;
    Light(QStringLiteral("accept_type_id"));
}

void TTrapEditForm::EdSubjChange()
{
    if (fFilling)
        return;
    fTrapInfo.subj = Subj();
    Light(QStringLiteral("subj"));
}

void TTrapEditForm::EdMsgChange()
{
    if (fFilling)
        return;
    fTrapInfo.msg = Msg();
    Light(QStringLiteral("msg"));
}

void TTrapEditForm::EdSubjEnter() { fSubjFocused = true; }

void TTrapEditForm::EdMsgEnter() { fSubjFocused = false; }

void TTrapEditForm::CbMsgFieldsChange()
{
    TTrapTemplateEdit *ed = fSubjFocused ? EdSubj : EdMsg;
    const QString field = CbMsgFields->currentText().section(u':', 0, 0).trimmed();
    if (field.startsWith(u'{') && !ed->InsertField(field))
        FlashControl(ed); // no room left in the subject
    CbMsgFields->setCurrentIndex(-1);
    ed->setFocus();
}

void TTrapEditForm::CbSendToEmailClick()
{
    if (fFilling)
        return;
    fTrapInfo.email = IsEmail();
    Light(QStringLiteral("email"));
}

void TTrapEditForm::CbSendToTelegramClick()
{
    if (fFilling)
        return;
    fTrapInfo.telegram = IsTelegram();
    Light(QStringLiteral("telegram"));
}

void TTrapEditForm::accept()
{
    // A changed trap must still be a whole rule before anything is sent.
    if (!fReadOnly && Modified()) {
        QWidget *missing = nullptr;
        const uint32_t type = fTrapInfo.target_type_id;
        if (type < 1 || type > 5)
            missing = CbTargetType;
        else if ((type == 1 || type == 2) && fTrapInfo.target_id == 0)
            missing = CbTarget->count() > 0 ? static_cast<QWidget *>(CbTarget) : CbTargetType;
        else if (fTrapInfo.condition_id == 0)
            missing = CbCondition;
        if (missing) {
            FlashControl(missing);
            return;
        }
    }
    QDialog::accept();
}

QString TTrapEditForm::Val() const { return EdVal->text().trimmed(); }
QString TTrapEditForm::Subj() const { return EdSubj->Text().trimmed(); }
QString TTrapEditForm::Msg() const { return EdMsg->Text().trimmed(); }
bool TTrapEditForm::IsAlarm() const { return CbIsAlarm->isChecked(); }
bool TTrapEditForm::ManualAccept() const { return CbManualAccept->isChecked(); }
bool TTrapEditForm::IsEmail() const { return CbSendToEmail->isChecked(); }
bool TTrapEditForm::IsTelegram() const { return CbSendToTelegram->isChecked(); }

QString TTrapEditForm::FieldValue(const QString &key) const
{
    const auto b = [](bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); };
    if (key == u"obj_id")
        return QString::number(fTrapInfo.obj_id);
    if (key == u"target_type_id")
        return QString::number(fTrapInfo.target_type_id);
    if (key == u"target_id")
        return QString::number(fTrapInfo.target_id);
    if (key == u"condition_id")
        return QString::number(fTrapInfo.condition_id);
    if (key == u"val")
        return Val();
    if (key == u"is_alarm")
        return b(IsAlarm());
    if (key == u"accept_type_id")
        return ManualAccept() ? QStringLiteral("1") : QStringLiteral("0");
    if (key == u"subj")
        return Subj();
    if (key == u"msg")
        return Msg();
    if (key == u"email")
        return b(IsEmail());
    if (key == u"telegram")
        return b(IsTelegram());
    return QString();
}
