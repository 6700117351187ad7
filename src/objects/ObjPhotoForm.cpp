#include "ObjPhotoForm.h"

#include "FormTranslate.h"
#include "OSM.ObjectInfo.h"
#include "client.h"
#include "common.h"

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryFile>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

TObjPhotoForm::TObjPhotoForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ObjPhotoForm"));
    setWindowTitle(QStringLiteral("Object Photo"));
    PhotoScroller = new QScrollArea(this);
    PhotoScroller->setObjectName(QStringLiteral("PhotoScroller"));
    PhotoScroller->setFixedSize(420, 420);
    PhotoScroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PhotoScroller->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PhotoImage = new QLabel;
    PhotoImage->setObjectName(QStringLiteral("PhotoImage"));
    PhotoImage->setScaledContents(true);
    PhotoScroller->setWidget(PhotoImage);
    PhotoScroller->viewport()->installEventFilter(this);
    PhotoImage->installEventFilter(this);

    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    ButLoad = button("ButLoad", QStringLiteral("Load"));
    ButSave = button("ButSave", QStringLiteral("Save"));
    ButClear = button("ButClear", QStringLiteral("Clear"));
    ButClose = button("ButClose", QStringLiteral("Close"));
    ButSave->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {ButLoad, ButSave, ButClear})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(ButClose);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(PhotoScroller);
    lay->addLayout(buttons);

    connect(ButLoad, &QPushButton::clicked, this, &TObjPhotoForm::ButLoadClick);
    connect(ButSave, &QPushButton::clicked, this, &TObjPhotoForm::ButSaveClick);
    connect(ButClear, &QPushButton::clicked, this, &TObjPhotoForm::ButClearClick);
    connect(ButClose, &QPushButton::clicked, this, &QDialog::reject);
    fPanTimer.setInterval(20);
    connect(&fPanTimer, &QTimer::timeout, this, &TObjPhotoForm::PanTimerTimer);

    Warn = [this](const QString &caption, const QString &text) { QMessageBox::warning(this, caption, text); };
    Ask = [this](const QString &caption, const QString &text) {
        return QMessageBox::question(this, caption, text) == QMessageBox::Yes;
    };
    TranslateForm(this);
}

TObjPhotoForm::~TObjPhotoForm() = default;

void TObjPhotoForm::Open(TVelmoraClient *Client, TObjectInfo *Object)
{
    fClient = Client;
    fObjectInfo = Object;
    if (Object && Object->photo.isNull() && Client)
        Client->GetPhoto(Object);
    if (Object && !Object->photo.isNull())
        ShowPicture(Object->photo);
}

int TObjPhotoForm::EditPhoto(TVelmoraClient *Client, TObjectInfo *Object)
{
    if (!Object || Object->uid == 0)
        return QDialog::Rejected;
    Open(Client, Object);
    return exec();
}

void TObjPhotoForm::ShowPicture(const QImage &Picture)
{
    fPicture = Picture;
    PhotoImage->setPixmap(QPixmap::fromImage(Picture));
    Zoom(0);
    const QSize box = PhotoScroller->viewport()->size();
    SetScrollPos(QPoint((PhotoImage->width() - box.width()) / 2, (PhotoImage->height() - box.height()) / 2));
}

bool TObjPhotoForm::LoadPicture(const QString &FileName)
{
    QImageReader reader(FileName);
    reader.setAutoTransform(true);
    const QImage img = reader.read();
    const QString caption = Translation.GetString(QStringLiteral("edit_photo"));
    if (img.isNull() || img.width() <= 0 || img.height() <= 0) {
        // A picture without pixels would divide the zoom by zero.
        if (Warn)
            Warn(caption, Translation.GetString(QStringLiteral("save_photo_error"), {reader.errorString()}));
        return false;
    }
    ShowPicture(img);
    ButSave->setEnabled(true);
    return true;
}

void TObjPhotoForm::ButLoadClick()
{
    const QString name = QFileDialog::getOpenFileName(
        this, QString(), ExeDir,
        QStringLiteral("Pictures (*.gif *.png *.jpg *.jpeg *.bmp *.ico *.tif *.tiff);;GIF (*.gif);;PNG (*.png);;"
                       "JPEG (*.jpg *.jpeg);;Bitmaps (*.bmp);;Icons (*.ico);;TIFF (*.tif *.tiff)"));
    if (!name.isEmpty())
        LoadPicture(name);
}

QPoint TObjPhotoForm::ScrollPos() const
{
    return QPoint(PhotoScroller->horizontalScrollBar()->value(), PhotoScroller->verticalScrollBar()->value());
}

void TObjPhotoForm::SetScrollPos(const QPoint &Pos)
{
    PhotoScroller->horizontalScrollBar()->setValue(Pos.x());
    PhotoScroller->verticalScrollBar()->setValue(Pos.y());
}

void TObjPhotoForm::Zoom(double Scale)
{
    if (fPicture.isNull())
        return;
    const QSize box = PhotoScroller->viewport()->size();
    const double fit = double(box.width()) / fPicture.width();
    double scale = std::min(std::max(Scale, fit), std::max(MaxScale, fit));
    int w = int(std::lround(fPicture.width() * scale)), h = int(std::lround(fPicture.height() * scale));
    if (w < box.width()) {
        w = box.width();
        scale = fit;
        h = int(std::lround(fPicture.height() * fit));
        w += 8;
        h += 8;
    } else if (h < box.height()) {
        h = box.height();
        scale = fit;
        w = int(std::lround(fPicture.width() * fit));
        w += 8;
        h += 8;
    }
    const QSize old = PhotoImage->size();
    fScaleFactor = scale;
    PhotoImage->resize(w, h);
    if (std::fabs(scale - fit) > 0.001)
        SetScrollPos(ScrollPos() + QPoint((w - old.width()) / 2, (h - old.height()) / 2));
}

QImage TObjPhotoForm::VisibleSquare() const
{
    if (fPicture.isNull() || fScaleFactor <= 0)
        return QImage();
    const QImage whole = fPicture.convertToFormat(QImage::Format_ARGB32);
    int side = int(std::floor(PhotoScroller->viewport()->width() / fScaleFactor));
    int x = int(std::floor(std::abs(PhotoImage->x()) / fScaleFactor));
    int y = int(std::floor(std::abs(PhotoImage->y()) / fScaleFactor));
    if (whole.width() < side) {
        side = whole.width();
        x = 0;
    }
    if (whole.height() < side) {
        side = whole.height();
        y = 0;
    }
    return whole.copy(x, y, side, side)
        .scaled(PhotoSide, PhotoSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void TObjPhotoForm::ButSaveClick()
{
    if (!fObjectInfo || !fClient || fPicture.isNull())
        return;
    const QString caption = Translation.GetString(QStringLiteral("edit_photo"));
    const QImage square = VisibleSquare();
    QByteArray png;
    {
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        square.save(&buf, "PNG");
    }
    const QString dir = fClient->PhotoDir();
    QDir().mkpath(dir);
    // The upload goes from a file of its own: the cached photo is replaced
    // only once the service has taken the new one.
    QTemporaryFile upload(dir + QStringLiteral("upload_XXXXXX.png"));
    if (!upload.open() || upload.write(png) != png.size() || !upload.flush()) {
        if (Warn)
            Warn(caption, Translation.GetString(QStringLiteral("save_photo_error"), {upload.errorString()}));
        return;
    }
    upload.close();
    if (!fClient->PostPhoto(fObjectInfo->uid, upload.fileName())) {
        if (Warn)
            Warn(caption, Translation.GetString(QStringLiteral("save_photo_error"), {fClient->ErrorMessage()}));
        return;
    }
    const QString uid = QString::number(fObjectInfo->uid);
    for (const char *ext : {"jpg", "jpeg"})
        QFile::remove(dir + uid + QLatin1Char('.') + QLatin1String(ext));
    QSaveFile cache(dir + uid + QStringLiteral(".png"));
    if (!cache.open(QIODevice::WriteOnly) || cache.write(png) != png.size() || !cache.commit())
        QFile::remove(cache.fileName()); // no stale copy: the next GetPhoto fetches the new one
    fObjectInfo->photo = square;
    fObjectInfo->has_image = true;
    fObjectInfo->ClearIcon();
    accept();
}

void TObjPhotoForm::ButClearClick()
{
    if (!fObjectInfo || !fClient)
        return;
    if (!Ask || !Ask(Translation.GetString(QStringLiteral("delete_photo")),
                     Translation.GetString(QStringLiteral("delete_photo_prompt"))))
        return;
    if (fClient->DeletePhoto(fObjectInfo)) {
        fPicture = QImage();
        PhotoImage->setPixmap(QPixmap());
        accept();
    } else if (Warn) {
        Warn(Translation.GetString(QStringLiteral("edit_photo")),
             Translation.GetString(QStringLiteral("delete_photo_error")) + QStringLiteral(": ") + fClient->ErrorMessage());
    }
}

bool TObjPhotoForm::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched != PhotoImage && Watched != PhotoScroller->viewport())
        return QDialog::eventFilter(Watched, Event);
    switch (Event->type()) {
    case QEvent::Wheel: {
        const int notches = static_cast<QWheelEvent *>(Event)->angleDelta().y() / 120;
        if (notches != 0)
            Zoom(fScaleFactor + 0.05 * notches);
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(Event);
        if (e->button() != Qt::LeftButton)
            break;
        isScroll = true;
        fStartMouse = e->globalPosition().toPoint();
        fStartScroll = ScrollPos();
        fPrevPos = fStartScroll;
        fPrevTick.start();
        fSpeedX = fSpeedY = 0;
        PhotoScroller->viewport()->setCursor(Qt::ClosedHandCursor);
        fPanTimer.start();
        return true;
    }
    case QEvent::MouseMove:
        if (isScroll) {
            SetScrollPos(fStartScroll - (static_cast<QMouseEvent *>(Event)->globalPosition().toPoint() - fStartMouse));
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (isScroll) {
            isScroll = false;
            PhotoScroller->viewport()->unsetCursor();
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(Watched, Event);
}

void TObjPhotoForm::PanTimerTimer()
{
    const qint64 dt = std::max<qint64>(1, fPrevTick.restart());
    const QPoint pos = ScrollPos();
    if (isScroll) {
        fSpeedX = double(pos.x() - fPrevPos.x()) / dt;
        fSpeedY = double(pos.y() - fPrevPos.y()) / dt;
    } else if (std::fabs(fSpeedX) < 0.005 && std::fabs(fSpeedY) < 0.005) {
        fPanTimer.stop();
    } else {
        // The picture glides on after the release and slows down.
        SetScrollPos(pos + QPoint(int(std::lround(dt * fSpeedX)), int(std::lround(dt * fSpeedY))));
        fSpeedX *= 0.83;
        fSpeedY *= 0.83;
    }
    fPrevPos = ScrollPos();
}
