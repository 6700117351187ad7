#pragma once

#include "FieldEditForm.h"
#include "OSM.TrapInfo.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TTrapTemplateEdit;
class TVelmoraClient;

// The dialog in which a trap is created, changed or only viewed. It works on
// a copy of the trap, lights the indicator of each field the user changes and
// hands back only those fields (Fields); the caller talks to the service.
//
// Choices hold entries "id: text"; the number before the first ":" is the
// value. The object choice starts with "0: GENERAL", the trap of all objects.
class TTrapEditForm : public TFieldEditForm
{
    Q_OBJECT
public:
    explicit TTrapEditForm(QWidget *parent = nullptr);

    // Opens the dialog modally on a copy of aTrapInfo, or on a new trap of
    // object aObjId when there is none. True when it ended with OK and at
    // least one field was changed. Throws std::runtime_error without a client.
    bool EditTrap(TVelmoraClient *aClient, const TTrapInfo *aTrapInfo, int32_t aObjId);
    // Shows the trap read-only, modally; nothing can be changed or returned.
    void ShowTrap(TVelmoraClient *aClient, const TTrapInfo &aTrapInfo);
    // The filling part of both, for callers and tests that show the dialog
    // themselves. ReadOnly disables the four groups.
    void LoadTrap(TVelmoraClient *aClient, const TTrapInfo *aTrapInfo, int32_t aObjId, bool ReadOnly);

    const TTrapInfo &TrapInfo() const { return fTrapInfo; }
    const TTrapInfo &SrcTrapInfo() const { return fSrcTrapInfo; }
    bool ReadOnly() const { return fReadOnly; }

    int32_t ObjectId() const { return fTrapInfo.obj_id; }
    uint32_t TargetType() const { return fTrapInfo.target_type_id; }
    int32_t Target() const { return fTrapInfo.target_id; }
    int32_t Condition() const { return fTrapInfo.condition_id; }
    QString Val() const;
    QString Subj() const;
    QString Msg() const;
    bool IsAlarm() const;
    bool ManualAccept() const;
    bool IsEmail() const;
    bool IsTelegram() const;

    // The id of an entry "id: text"; 0 when it has none.
    static int EntryId(const QString &Entry);

    QGroupBox *GbObject = nullptr;
    QComboBox *CbObject = nullptr;
    QGroupBox *GbTarget = nullptr;
    QLabel *LblTargetType = nullptr;
    QComboBox *CbTargetType = nullptr;
    QLabel *LblTarget = nullptr;
    QComboBox *CbTarget = nullptr;
    QLabel *LblCondition = nullptr;
    QComboBox *CbCondition = nullptr;
    QLabel *LblVal = nullptr;
    QLineEdit *EdVal = nullptr;
    QGroupBox *GbAlarm = nullptr;
    QCheckBox *CbIsAlarm = nullptr;
    QCheckBox *CbManualAccept = nullptr;
    QGroupBox *GbMessage = nullptr;
    QLabel *LblSubj = nullptr;
    TTrapTemplateEdit *EdSubj = nullptr;
    QLabel *LblMsg = nullptr;
    TTrapTemplateEdit *EdMsg = nullptr;
    QComboBox *CbMsgFields = nullptr;
    QCheckBox *CbSendToTelegram = nullptr;
    QCheckBox *CbSendToEmail = nullptr;
    QPushButton *ButCancel = nullptr;
    QPushButton *ButOk = nullptr;

public Q_SLOTS:
    void CbObjectChange();
    void CbTargetTypeChange();
    void CbTargetChange();
    void CbConditionChange();
    void EdValChange();
    void CbIsAlarmClick();
    void CbManualAcceptClick();
    void EdSubjChange();
    void EdMsgChange();
    void EdSubjEnter();
    void EdMsgEnter();
    void CbMsgFieldsChange();
    void CbSendToEmailClick();
    void CbSendToTelegramClick();
    void accept() override;

protected:
    QString FieldValue(const QString &key) const override;

private:
    TZtLed *NewLed(const QString &key, const char *name);
    void FillTargets();
    void FillConditions();
    void ShowTargetRows();
    static void SelectById(QComboBox *Combo, int Id);
    void Light(const QString &key);

    TVelmoraClient *fClient = nullptr;
    TTrapInfo fSrcTrapInfo;
    TTrapInfo fTrapInfo;
    bool fReadOnly = false;
    bool fFilling = false; // programmatic changes light nothing
    bool fSubjFocused = false;
};
