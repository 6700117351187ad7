#pragma once

// The Wi-Fi places of a device: named places, each with the networks seen
// there. Edit mode reads the places from the device's answer to "get places"
// and sends the whole list back with "set places"; create mode makes one
// place from the access points recorded around a spot and adds it with
// "add places".

#include "CommandExchange.h"
#include "place_data.h"

#include <QHash>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TZtLed;

class TObjPlacesForm : public TCommandExchange
{
    Q_OBJECT
public:
    explicit TObjPlacesForm(QWidget *Parent = nullptr);

    // Edit mode; true when closed with OK (a changed list was sent).
    bool ShowPlaces(TObjectInfo *aObjInfo, TVelmoraClient *aClient);
    // Create mode with the access points around a spot; true when closed
    // with OK (the place was sent).
    bool CreatePlace(TObjectInfo *aObjInfo, TVelmoraClient *aClient, const TWifiList &aWifiList);

    const QList<TPlaceData> &Places() const { return fPlaces; }
    // The first-level row of a network name, or null.
    QTreeWidgetItem *NetworkRow(const QString &Ssid) const;

    QComboBox *CbPlacesRequests = nullptr;
    QLineEdit *EdId = nullptr;
    QLineEdit *EdName = nullptr;
    TZtLed *LedPlaces = nullptr;
    QListWidget *PlacesList = nullptr;
    QPushButton *ButAppendPlace = nullptr;
    QPushButton *ButDeletePlace = nullptr;
    TZtLed *LedPlace = nullptr;
    QLineEdit *PlaceName = nullptr;
    QTreeWidget *WifiList = nullptr;
    QPushButton *ButSavePlace = nullptr;
    QPushButton *ButCancelPlace = nullptr;
    QPushButton *ButOk = nullptr;
    QPushButton *ButCancel = nullptr;

protected:
    bool LoadAnswerFile(const QString &FileName) override;

private:
    void Fill(const QList<TPlaceData> &Places, const TWifiList &Wifi);
    // Adds an access point under its network's row, making the row (into
    // NewRows, added to the tree by the caller) when the name is new.
    void AddNetwork(const TWifiData &w, QList<QTreeWidgetItem *> &NewRows);
    QString RowText(const TPlaceData &p) const;
    void ShowPlace(int Row);
    void SetPlaceLit(bool v);
    // Asks about the editor's unsaved changes: false when the user cancels.
    bool SettlePending();
    bool SavePlace();
    void RowSelected();
    void AppendPlace();
    void DeletePlace();
    void OkClick();
    void Warn(const QString &Key);

    QList<TPlaceData> fPlaces;
    // The places as the device reported them: OK sends only a change.
    QList<TPlaceData> fLoaded;
    TWifiList fWifi;
    // The network rows by name: thousands of networks must not be searched
    // row by row for each access point.
    QHash<QString, QTreeWidgetItem *> fNetworkRows;
    int fEditRow = -1;
    bool fCreateMode = false;
    // The device's list was read whole: only then may "set places" replace it.
    bool fComplete = false;
    // Set while the dialog fills the editor: only the user's edits count.
    bool fFilling = false;
};
