#include "track_parser.h"

#include "FormTranslate.h"
#include "TrackImportModel.h"
#include "ZtTtyBox.h"
#include "common.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QKeyEvent>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

TTrackParser::TTrackParser(double TimeZone, QWidget *parent)
    : QDialog(parent),
      fImport(TimeZone, [this](const QString &Fmt, const QVariantList &, int) { Log(Fmt); })
{
    setObjectName(QStringLiteral("TrackParser"));
    setWindowTitle(QStringLiteral("Track Parser"));
    resize(900, 700);

    auto named = [](auto *w, const QString &name) {
        w->setObjectName(name);
        return w;
    };
    auto label = [this, named](const char *name, const QString &text) {
        return named(new QLabel(text, this), QLatin1String(name));
    };

    // Source
    auto *gbSource = named(new QGroupBox(QStringLiteral("Source"), this), QStringLiteral("GbSource"));
    EdFileName = named(new QLineEdit(gbSource), QStringLiteral("EdFileName"));
    EdFileName->setReadOnly(true);
    EdSeparator = named(new QLineEdit(QStringLiteral(";"), gbSource), QStringLiteral("EdSeparator"));
    EdSeparator->setMaxLength(8);
    EdSeparator->setMaximumWidth(60);
    EdSeparator->installEventFilter(this);
    SbOpenFile = named(new QToolButton(gbSource), QStringLiteral("SbOpenFile"));
    SbOpenFile->setText(QStringLiteral("..."));
    SbParseSource = named(new QToolButton(gbSource), QStringLiteral("SbParseSource"));
    SbParseSource->setText(QStringLiteral(">"));
    SbParseSource->setToolTip(QStringLiteral("Parce source"));
    auto *srcLay = new QHBoxLayout(gbSource);
    srcLay->addWidget(label("LblFileName", QStringLiteral("File Name:")));
    srcLay->addWidget(EdFileName, 1);
    srcLay->addWidget(SbOpenFile);
    srcLay->addWidget(label("LblSeparator", QStringLiteral("Separator:")));
    srcLay->addWidget(EdSeparator);
    srcLay->addWidget(SbParseSource);

    // Fields
    auto *gbFields = named(new QGroupBox(QStringLiteral("Fields"), this), QStringLiteral("GbFields"));
    auto *fieldLay = new QGridLayout(gbFields);
    for (int f = 0; f < TTrackImport::FieldCount; ++f) {
        PointFields[f] = new QLineEdit(TTrackImport::FieldNames().at(f), gbFields);
        PointFields[f]->setReadOnly(true);
        FileFields[f] = new QComboBox(gbFields);
        FileFields[f]->setEditable(false);
        auto *clear = new QToolButton(gbFields);
        clear->setText(QStringLiteral("x"));
        clear->setProperty("Tag", f);
        connect(clear, &QToolButton::clicked, this, [this, f] { FileFields[f]->setCurrentIndex(-1); });
        fieldLay->addWidget(PointFields[f], f, 0);
        fieldLay->addWidget(FileFields[f], f, 1);
        fieldLay->addWidget(clear, f, 2);
    }
    fieldLay->setColumnStretch(1, 1);

    // Track
    auto *gbTrack = named(new QGroupBox(QStringLiteral("Track"), this), QStringLiteral("GbTrack"));
    EdSign = named(new QLineEdit(gbTrack), QStringLiteral("EdSign"));
    CbStyle = named(new QComboBox(gbTrack), QStringLiteral("CbStyle"));
    for (int i = 0; i < GeoTrackStyleCount; ++i)
        CbStyle->addItem(GeoTrackStyles[i].Sign);
    CbStyle->setCurrentIndex(0);
    CbLayer = named(new QComboBox(gbTrack), QStringLiteral("CbLayer"));
    for (int i = 0; i <= 9; ++i)
        CbLayer->addItem(QString::number(i));
    CbLayer->setCurrentIndex(0);
    SbMakeTrack = named(new QToolButton(gbTrack), QStringLiteral("SbMakeTrack"));
    SbMakeTrack->setText(QStringLiteral("+"));
    SbMakeTrack->setToolTip(QStringLiteral("Make track"));
    auto *trackLay = new QGridLayout(gbTrack);
    trackLay->addWidget(label("LblSign", QStringLiteral("Sign:")), 0, 0);
    trackLay->addWidget(EdSign, 0, 1, 1, 2);
    trackLay->addWidget(label("LblStyle", QStringLiteral("Style:")), 1, 0);
    trackLay->addWidget(CbStyle, 1, 1);
    trackLay->addWidget(label("LblLayer", QStringLiteral("Layer:")), 2, 0);
    trackLay->addWidget(CbLayer, 2, 1);
    trackLay->addWidget(SbMakeTrack, 2, 2);
    trackLay->setRowStretch(3, 1);

    // Track Data and Log
    auto *gbData = named(new QGroupBox(QStringLiteral("Track Data"), this), QStringLiteral("GbTrackData"));
    TrackData = named(new QTableView(gbData), QStringLiteral("TrackData"));
    fModel = new TTrackImportModel(fImport, this);
    TrackData->setModel(fModel);
    TrackData->verticalHeader()->setDefaultSectionSize(20);
    (new QVBoxLayout(gbData))->addWidget(TrackData);
    auto *gbLog = named(new QGroupBox(QStringLiteral("Log"), this), QStringLiteral("GbLog"));
    LogBox = named(new TZtTtyBox(gbLog), QStringLiteral("LogBox"));
    LogBox->SetLinesStored(1000);
    LogBox->SetLogMode(lmDisabled);
    (new QVBoxLayout(gbLog))->addWidget(LogBox);

    ButOk = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("ButOk"));
    ButOk->setDefault(true);
    ButCancel = named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("ButCancel"));
    connect(ButOk, &QPushButton::clicked, this, [this] {
        // OK means "import this": the table makes the track when the user
        // did not press "Make track" first.
        if (!fGeoTrack)
            MakeTrack();
        done(1);
    });
    connect(ButCancel, &QPushButton::clicked, this, [this] { done(2); });
    connect(SbOpenFile, &QToolButton::clicked, this, &TTrackParser::SbOpenFileClick);
    connect(SbParseSource, &QToolButton::clicked, this, [this] { ParseSource(); });
    connect(SbMakeTrack, &QToolButton::clicked, this, &TTrackParser::MakeTrack);

    auto *top = new QHBoxLayout;
    top->addWidget(gbFields, 1);
    top->addWidget(gbTrack, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButOk);
    buttons->addWidget(ButCancel);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(gbSource);
    lay->addLayout(top);
    lay->addWidget(gbData, 3);
    lay->addWidget(gbLog, 1);
    lay->addLayout(buttons);

    TranslateForm(this);
}

TTrackParser::~TTrackParser()
{
    // The table's model reads the import, which goes before the widgets do.
    TrackData->setModel(nullptr);
    delete fModel;
}

void TTrackParser::Log(const QString &Text) { LogBox->PutString(Text); }

int TTrackParser::ParseModal(const QString &aFileName)
{
    SetFileName(aFileName);
    const int r = exec();
    return r == 1 ? 1 : 2;
}

std::unique_ptr<TGeoTrack> TTrackParser::GetTrack() { return std::move(fGeoTrack); }

void TTrackParser::SetFileName(const QString &aFileName)
{
    if (aFileName == fFileName)
        return;
    fFileName = aFileName;
    EdFileName->setText(aFileName);
    if (EdSign->text().isEmpty())
        EdSign->setText(QFileInfo(aFileName).fileName());
    // The previous file's rows and columns go with it, so that "Make track"
    // never builds them again.
    fImport.LoadFile(aFileName);
    fModel->Reload();
    for (QComboBox *cb : FileFields)
        cb->clear();
}

bool TTrackParser::ParseSource(const QString &aFileName)
{
    if (!aFileName.isEmpty())
        SetFileName(aFileName);
    // The separator as typed: a Tab or a blank is a separator too.
    const bool ok = fImport.ParseSource(EdSeparator->text());
    fModel->Reload();
    if (!ok)
        return false;
    for (int c = 0; c < fImport.ColumnCount(); ++c)
        TrackData->setColumnWidth(c, c == 0 ? 100 : 50);
    const TTrackImport::TColumns guess = fImport.GuessColumns();
    for (int f = 0; f < TTrackImport::FieldCount; ++f) {
        FileFields[f]->clear();
        FileFields[f]->addItems(fImport.Headers());
        FileFields[f]->setCurrentIndex(guess[f]);
    }
    return true;
}

bool TTrackParser::MakeTrack()
{
    fGeoTrack.reset();
    TTrackImport::TColumns cols;
    for (int f = 0; f < TTrackImport::FieldCount; ++f)
        cols[f] = FileFields[f]->currentIndex();
    fGeoTrack = fImport.MakeTrack(cols, EdSign->text(), CbStyle->currentIndex(), CbLayer->currentIndex());
    return bool(fGeoTrack);
}

void TTrackParser::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!fParsedOnShow && !fFileName.isEmpty()) {
        fParsedOnShow = true;
        ParseSource();
    }
}

bool TTrackParser::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == EdSeparator && Event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(Event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            EdSeparator->insert(QStringLiteral("\t"));
            return true;
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

void TTrackParser::SbOpenFileClick()
{
    const QString fn = QFileDialog::getOpenFileName(this, windowTitle(), ExeDir,
                                                    QStringLiteral("CSV (*.csv);;GPX (*.gpx);;ALL (*.*)"));
    if (!fn.isEmpty())
        ParseSource(fn);
}
