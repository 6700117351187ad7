#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <functional>

class QLabel;
class QPushButton;
class QScrollArea;
class TObjectInfo;
class TVelmoraClient;

// The object photo dialog: loads a picture, lets the user zoom (wheel) and
// pan it (drag, with inertia), and uploads the visible square, 500 x 500, as
// the object's photo. The photo cache takes the new picture only after the
// service accepted it.
class TObjPhotoForm : public QDialog
{
    Q_OBJECT
public:
    static constexpr int PhotoSide = 500;
    // Beyond this many screen pixels per picture pixel the picture is all blur.
    static constexpr double MaxScale = 8.0;

    explicit TObjPhotoForm(QWidget *parent = nullptr);
    ~TObjPhotoForm() override;

    // Shows the dialog modally on the object; Rejected at once for uid 0.
    int EditPhoto(TVelmoraClient *Client, TObjectInfo *Object);
    void Open(TVelmoraClient *Client, TObjectInfo *Object);

    // Loads a picture file; false (and a message) when it cannot be read or
    // has no width or height.
    bool LoadPicture(const QString &FileName);
    // Applies a requested scale (0: fit the box's width).
    void Zoom(double Scale);
    double ScaleFactor() const { return fScaleFactor; }
    // The visible square of the picture at 500 x 500.
    QImage VisibleSquare() const;
    void ButLoadClick();
    void ButSaveClick();
    void ButClearClick();

    QScrollArea *PhotoScroller = nullptr;
    QLabel *PhotoImage = nullptr;
    QPushButton *ButLoad = nullptr;
    QPushButton *ButSave = nullptr;
    QPushButton *ButClear = nullptr;
    QPushButton *ButClose = nullptr;

    // A warning (caption, text); tests replace it.
    std::function<void(const QString &Caption, const QString &Text)> Warn;
    // A yes/no question; tests replace it.
    std::function<bool(const QString &Caption, const QString &Text)> Ask;

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void ShowPicture(const QImage &Picture);
    void PanTimerTimer();
    QPoint ScrollPos() const;
    void SetScrollPos(const QPoint &Pos);

    TVelmoraClient *fClient = nullptr;
    TObjectInfo *fObjectInfo = nullptr;
    QImage fPicture;
    double fScaleFactor = 1;
    // Panning with inertia.
    bool isScroll = false;
    QPoint fStartMouse, fStartScroll, fPrevPos;
    QElapsedTimer fPrevTick;
    double fSpeedX = 0, fSpeedY = 0;
    QTimer fPanTimer;
};
