#pragma once

// The "Track Path" window: the postal addresses a track passed, each listed
// once per stretch of points at the same address, with copy and export.

#include <QDialog>

#include <vector>

class QAction;
class QTreeWidget;
class TAddressCache;
class TGeoTrack;
class TTrackPointInfo;

class TTrackPathForm : public QDialog
{
    Q_OBJECT
public:
    // Cache may be null: addresses are then empty.
    TTrackPathForm(TAddressCache *Cache, QWidget *parent = nullptr);

    // Fills the list and shows it modally.
    int ShowPath(const TGeoTrack &aTrack);
    // Fills the list without showing it.
    void Fill(const TGeoTrack &aTrack);
    int RowCount() const { return int(fRows.size()); }
    QString RowTime(int Row) const;
    QString RowAddress(int Row) const;

    // Every row as "time<Tab>address\r\n".
    QString PathText() const;
    // The file text: TXT (Format 1) as PathText, CSV (2) with the header
    // "Time;Address" and cells that hold ";", a quote or a line break quoted.
    QString ExportText(int Format) const;
    // Asks for a file and writes it; the bytes written (0 when cancelled).
    qint64 ExportPath();
    void CopyPath() const;

    QTreeWidget *PathList = nullptr;
    QAction *ActCopyPath = nullptr;
    QAction *ActExportPath = nullptr;

protected:
    void keyPressEvent(QKeyEvent *e) override;
    // Shown, with its frame and final size: pushed inside the screen.
    void showEvent(QShowEvent *e) override;

private:
    TAddressCache *fCache;
    QString fSign;
    std::vector<const TTrackPointInfo *> fRows; // points of the track shown
};
