#pragma once

// The "Track Parser" window: the user picks a delimited text or GPX file, the
// separator and the file column of each point field, sees the rows, and makes
// a track, which the caller takes over when the window ends with OK.

#include "TrackImport.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;
class TGeoTrack;
class TTrackImportModel;
class TZtTtyBox;

class TTrackParser : public QDialog
{
    Q_OBJECT
public:
    // TimeZone: the user's offset from UTC in days (Unix and GPX times are UTC).
    explicit TTrackParser(double TimeZone, QWidget *parent = nullptr);
    ~TTrackParser() override;

    // Loads the file and runs the window; 1 for OK, 2 for Cancel.
    int ParseModal(const QString &aFileName);
    // The track last made, handed over (nullptr when none was made or the
    // last attempt failed).
    std::unique_ptr<TGeoTrack> GetTrack();
    bool MakeTrack();
    // Loads a file; the same name again keeps the lines already loaded.
    void SetFileName(const QString &aFileName);
    const QString &FileName() const { return fFileName; }
    // Cuts the loaded lines into columns and rows and guesses the columns.
    bool ParseSource(const QString &aFileName = QString());
    const TTrackImport &Import() const { return fImport; }

    QLineEdit *EdFileName = nullptr;
    QLineEdit *EdSeparator = nullptr;
    QToolButton *SbOpenFile = nullptr;
    QToolButton *SbParseSource = nullptr;
    QComboBox *FileFields[TTrackImport::FieldCount] = {};
    QLineEdit *PointFields[TTrackImport::FieldCount] = {};
    QLineEdit *EdSign = nullptr;
    QComboBox *CbStyle = nullptr;
    QComboBox *CbLayer = nullptr;
    QToolButton *SbMakeTrack = nullptr;
    QTableView *TrackData = nullptr;
    TZtTtyBox *LogBox = nullptr;
    QPushButton *ButOk = nullptr;
    QPushButton *ButCancel = nullptr;

protected:
    void showEvent(QShowEvent *e) override;
    // The Tab key types a Tab into "Separator:" instead of moving on.
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void SbOpenFileClick();
    void Log(const QString &Text);

    QString fFileName;
    TTrackImport fImport;
    TTrackImportModel *fModel = nullptr;
    std::unique_ptr<TGeoTrack> fGeoTrack;
    bool fParsedOnShow = false;
};
