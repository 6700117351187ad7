#pragma once

#include "OSM.ZoneInfo.h"
#include "ZtHash.h"
#include "common.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;

// The zone editor: a small window that stays on top while the user keeps
// working on the map. It edits the zone object of the client's list in place
// and reports through its command callback (Subj "zone"): "update" for each
// pending change a second after the last one, "save" and "cancel". It is not
// modal and deletes itself when closed.
class TZoneEditForm : public QDialog
{
    Q_OBJECT
public:
    explicit TZoneEditForm(QWidget *parent = nullptr);
    ~TZoneEditForm() override;

    void SetCmdCallback(TCmdCallback Cb) { fCmdCallback = std::move(Cb); }
    // Opens the editor on the zone (not owned; the caller closes the editor
    // before the zone goes). The zone's edited flag chooses the mode.
    void ShowZone(TZoneInfo *Zone);
    // Refills the fields from the zone, leaving out the field named Src
    // ("name", "center", "radius") while the user types in it.
    void UpdateZone(const QString &Src = QString());

    TZoneInfo *ZoneInfo() const { return fZoneInfo; }
    bool EditMode() const { return fEditMode; }
    // Whether the zone differs from the copy taken when the editor opened.
    bool Modified() const;
    // Sends the pending "update" commands now instead of after the pause.
    void FlushUpdates();
    // Restores the zone, ends editing and sends "cancel"; then closes.
    void ButCancelClick();
    // Ends editing and sends "save"; closes when the service accepted.
    void ButSaveClick();
    // The owner freed the zone (a new zone removed on "cancel"): the editor
    // lets go of it.
    void ForgetZone() { fZoneInfo = nullptr; }
    // Escape (and any other rejection) is Cancel.
    void reject() override;

    QLineEdit *EdName = nullptr;
    QLineEdit *EdColor = nullptr;
    QComboBox *CbType = nullptr;
    QStackedWidget *PcType = nullptr;
    QLineEdit *EdCenter = nullptr;
    QLineEdit *EdRadius = nullptr;
    QListWidget *NodesList = nullptr;
    QLineEdit *EdTopLeft = nullptr;
    QLineEdit *EdBottomRight = nullptr;
    QLineEdit *EdCenterInfo = nullptr;
    QLabel *LblPerimeter = nullptr;
    QLineEdit *EdPerimeter = nullptr;
    QLabel *LblArea = nullptr;
    QLineEdit *EdArea = nullptr;
    QPushButton *ButCancel = nullptr;
    QPushButton *ButSave = nullptr;

    // "lat,lon" with 4 decimals each.
    static QString CoordText(const TGeoPoint &Pt);

Q_SIGNALS:
    // The editor is closing; its zone may still be used during the signal.
    void Closing(TZoneEditForm *Editor);

protected:
    void closeEvent(QCloseEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void EdNameChange();
    void EdColorClick();
    void CbTypeChange(int Index);
    void EdCenterChange();
    void EdRadiusChange();
    void NodesListKeyDown(int Key);
    void UpdateTimerTimer();
    void Cancel();
    void Changed(const QString &Key, const QString &Value);
    int Cmd(const QString &Action, const QStringList &Args = {});
    void SetColorField(uint32_t Color);

    TZoneInfo *fZoneInfo = nullptr;
    TZoneInfo fBackupZi;
    TCmdCallback fCmdCallback;
    bool fUpdLocked = false;
    bool fEditMode = false;
    bool fClosing = false; // Save or Cancel has run; the frame's close is theirs
    QElapsedTimer fUpdTime;
    TZtHash fUpdHash;
    QTimer fUpdateTimer;
};
