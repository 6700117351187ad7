#include "ZoneEditForm.h"

#include "FormTranslate.h"
#include "ZtFlash.h"
#include "ZtUtils.h"
#include "geo_utils.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

double Round(double v, int decimals)
{
    const double k = std::pow(10.0, decimals);
    return std::nearbyint(v * k) / k;
}

// A number in the user's text, "," accepted as the decimal point; NaN when none.
double NumberOf(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok && std::isfinite(v) ? v : std::nan("");
}

bool SameShape(const TZoneInfo &a, const TZoneInfo &b)
{
    auto same = [](double x, double y) { return (std::isnan(x) && std::isnan(y)) || x == y; };
    if (a.name != b.name || a.color != b.color || a.type_id != b.type_id || !same(a.geom.radius, b.geom.radius)
        || !same(a.geom.center.Lat, b.geom.center.Lat) || !same(a.geom.center.Long, b.geom.center.Long)
        || a.geom.nodes.size() != b.geom.nodes.size())
        return false;
    for (int i = 0; i < a.geom.nodes.size(); ++i)
        if (a.geom.nodes[i].Lat != b.geom.nodes[i].Lat || a.geom.nodes[i].Long != b.geom.nodes[i].Long)
            return false;
    return true;
}

} // namespace

TZoneEditForm::TZoneEditForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("ZoneEditForm"));
    setWindowTitle(QStringLiteral("GeoZone Info"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto edit = [this](const char *name, bool readOnly) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setReadOnly(readOnly);
        return e;
    };
    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    EdName = edit("EdName", false);
    EdColor = edit("EdColor", true);
    EdColor->setCursor(Qt::PointingHandCursor);
    EdColor->installEventFilter(this);
    CbType = new QComboBox(this);
    CbType->setObjectName(QStringLiteral("CbType"));
    CbType->addItems({QStringLiteral("Circle"), QStringLiteral("Poligon")});

    PcType = new QStackedWidget(this);
    PcType->setObjectName(QStringLiteral("PcType"));
    auto *circle = new QWidget(PcType);
    circle->setObjectName(QStringLiteral("TsCircle"));
    EdCenter = edit("EdCenter", false);
    EdRadius = edit("EdRadius", false);
    auto *circleLay = new QFormLayout(circle);
    circleLay->addRow(label("LblCenter", QStringLiteral("Center coord:")), EdCenter);
    circleLay->addRow(label("LblRadius", QStringLiteral("Radius, m:")), EdRadius);
    auto *poligon = new QWidget(PcType);
    poligon->setObjectName(QStringLiteral("TsPoligon"));
    NodesList = new QListWidget(poligon);
    NodesList->setObjectName(QStringLiteral("NodesList"));
    NodesList->installEventFilter(this);
    auto *poligonLay = new QVBoxLayout(poligon);
    poligonLay->setContentsMargins(0, 0, 0, 0);
    poligonLay->addWidget(NodesList);
    PcType->addWidget(circle);
    PcType->addWidget(poligon);

    EdTopLeft = edit("EdTopLeft", true);
    EdBottomRight = edit("EdBottomRight", true);
    EdCenterInfo = edit("EdCenterInfo", true);
    LblPerimeter = label("LblPerimeter", QStringLiteral("Perimeter, m:"));
    EdPerimeter = edit("EdPerimeter", true);
    LblArea = label("LblArea", QStringLiteral("Area, m2:"));
    EdArea = edit("EdArea", true);

    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    ButCancel->setAutoDefault(false);
    ButSave = new QPushButton(QStringLiteral("Save"), this);
    ButSave->setObjectName(QStringLiteral("ButSave"));
    ButSave->setDefault(true);

    auto *form = new QFormLayout;
    form->addRow(label("LblName", QStringLiteral("Name:")), EdName);
    form->addRow(label("LblColor", QStringLiteral("Color:")), EdColor);
    form->addRow(label("LblType", QStringLiteral("Type:")), CbType);
    auto *info = new QFormLayout;
    info->addRow(label("LblTopLeft", QStringLiteral("Top-Left coord:")), EdTopLeft);
    info->addRow(label("LblBottomRight", QStringLiteral("Bottom-Right coord:")), EdBottomRight);
    info->addRow(label("LblCenterInfo", QStringLiteral("Center coord:")), EdCenterInfo);
    info->addRow(LblPerimeter, EdPerimeter);
    info->addRow(LblArea, EdArea);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButCancel);
    buttons->addWidget(ButSave);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(PcType, 1);
    lay->addLayout(info);
    lay->addLayout(buttons);
    resize(316, 320);

    connect(EdName, &QLineEdit::textEdited, this, &TZoneEditForm::EdNameChange);
    connect(CbType, &QComboBox::activated, this, &TZoneEditForm::CbTypeChange);
    connect(EdCenter, &QLineEdit::textEdited, this, &TZoneEditForm::EdCenterChange);
    connect(EdRadius, &QLineEdit::textEdited, this, &TZoneEditForm::EdRadiusChange);
    connect(ButCancel, &QPushButton::clicked, this, &TZoneEditForm::ButCancelClick);
    connect(ButSave, &QPushButton::clicked, this, &TZoneEditForm::ButSaveClick);
    fUpdateTimer.setInterval(1000);
    connect(&fUpdateTimer, &QTimer::timeout, this, &TZoneEditForm::UpdateTimerTimer);

    TranslateForm(this);
}

TZoneEditForm::~TZoneEditForm() = default;

QString TZoneEditForm::CoordText(const TGeoPoint &Pt)
{
    return FloatToStrN(Pt.Lat, 4) + QLatin1Char(',') + FloatToStrN(Pt.Long, 4);
}

void TZoneEditForm::ShowZone(TZoneInfo *Zone)
{
    fZoneInfo = Zone;
    if (!Zone)
        return;
    fBackupZi = *Zone;
    fEditMode = Zone->edited;
    if (Zone->uid == 0)
        setWindowTitle(Translation.GetString(QStringLiteral("create_zone")));
    else if (fEditMode)
        setWindowTitle(Translation.GetString(QStringLiteral("edit_zone"), {Zone->uid}));
    else
        setWindowTitle(Translation.GetString(QStringLiteral("zone_info"), {Zone->uid}));
    UpdateZone();
    fUpdateTimer.start();
    show();
}

void TZoneEditForm::UpdateZone(const QString &Src)
{
    TZoneInfo *z = fZoneInfo;
    if (!z)
        return;
    fUpdLocked = true;
    if (Src != u"name")
        EdName->setText(z->name);
    SetColorField(z->color);
    CbType->setCurrentIndex(z->type_id - 1);
    for (QWidget *w : {static_cast<QWidget *>(EdName), static_cast<QWidget *>(EdColor), static_cast<QWidget *>(CbType),
                       static_cast<QWidget *>(EdCenter), static_cast<QWidget *>(EdRadius),
                       static_cast<QWidget *>(NodesList), static_cast<QWidget *>(ButSave)})
        w->setEnabled(fEditMode);
    if (z->type_id == TZoneInfo::Circle) {
        PcType->setCurrentIndex(0);
        if (Src != u"center")
            EdCenter->setText(CoordText(z->geom.center));
        if (Src != u"radius")
            EdRadius->setText(FloatToStrN(z->geom.radius, 2));
    } else {
        PcType->setCurrentIndex(1);
        const int row = NodesList->currentRow();
        NodesList->clear();
        for (const TGeoPoint &n : z->geom.nodes)
            NodesList->addItem(CoordText(n));
        if (row >= 0 && row < NodesList->count())
            NodesList->setCurrentRow(row);
    }
    EdTopLeft->setText(CoordText(z->rect.TopLeft));
    EdBottomRight->setText(CoordText(z->rect.BottomRight));
    EdCenterInfo->setText(CoordText(z->geom.center));

    double p = z->perimeter;
    QString unit = Translation.GetString(QStringLiteral("perimeter_m"));
    if (p > 1000) {
        p /= 1000;
        unit = Translation.GetString(QStringLiteral("perimeter_km"));
    }
    LblPerimeter->setText(Translation.GetString(QStringLiteral("zone_perimeter"), {unit}));
    EdPerimeter->setText(FloatToStrN(p, 2));
    double a = z->area;
    unit = Translation.GetString(QStringLiteral("area_m2"));
    if (a > 1000000) {
        a /= 1000000;
        unit = Translation.GetString(QStringLiteral("area_km2"));
    }
    LblArea->setText(Translation.GetString(QStringLiteral("zone_area"), {unit}));
    EdArea->setText(FloatToStrN(a, 2));
    fUpdLocked = false;
}

void TZoneEditForm::SetColorField(uint32_t Color)
{
    const QColor c(int(Color & 0xFF), int((Color >> 8) & 0xFF), int((Color >> 16) & 0xFF));
    EdColor->setStyleSheet(QStringLiteral("QLineEdit { background: %1; }").arg(c.name()));
}

bool TZoneEditForm::Modified() const
{
    return fZoneInfo && !SameShape(*fZoneInfo, fBackupZi);
}

void TZoneEditForm::Changed(const QString &Key, const QString &Value)
{
    fUpdHash.SetVal(Key, Value);
    fUpdTime.start();
}

void TZoneEditForm::EdNameChange()
{
    if (fUpdLocked || !fZoneInfo)
        return;
    const QString name = EdName->text().trimmed();
    if (name.isEmpty())
        return;
    fZoneInfo->name = name;
    Changed(QStringLiteral("name"), name);
}

void TZoneEditForm::EdColorClick()
{
    if (!fZoneInfo || !fEditMode)
        return;
    const uint32_t old = fZoneInfo->color;
    const QColor c = QColorDialog::getColor(QColor(int(old & 0xFF), int((old >> 8) & 0xFF), int((old >> 16) & 0xFF)), this);
    if (!c.isValid())
        return;
    fZoneInfo->color = uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
    SetColorField(fZoneInfo->color);
    Changed(QStringLiteral("color"), QString::number(fZoneInfo->color));
}

void TZoneEditForm::CbTypeChange(int Index)
{
    TZoneInfo *z = fZoneInfo;
    if (fUpdLocked || !z)
        return;
    const int type = Index + 1;
    if (type == z->type_id || !z->geom.HasCenter())
        return;
    z->type_id = type;
    if (type == TZoneInfo::Circle) {
        z->geom.radius = ArcDistance(z->rect.TopLeft, z->rect.BottomRight) / 2;
    } else {
        const double r = std::isnan(z->geom.radius) ? 100 : z->geom.radius;
        for (int bearing = 0; bearing < 360 && z->geom.nodes.size() < 4; bearing += 90)
            z->geom.nodes.append(GeoDestination(z->geom.center, r, bearing));
    }
    z->UpdateRect();
    UpdateZone();
    Changed(QStringLiteral("type"), QString::number(type));
}

void TZoneEditForm::EdCenterChange()
{
    TZoneInfo *z = fZoneInfo;
    if (fUpdLocked || !z)
        return;
    const QStringList parts = EdCenter->text().split(QLatin1Char(','));
    if (parts.size() != 2)
        return;
    const double lat = NumberOf(parts[0]), lon = NumberOf(parts[1]);
    if (std::isnan(lat) || std::isnan(lon))
        return;
    // A centre off the globe would be sent and refused, or drawn nowhere:
    // the field says so and the zone keeps its centre.
    if (std::fabs(lat) > 90 || std::fabs(lon) > 180) {
        FlashControl(EdCenter);
        return;
    }
    if (std::fabs(lat - z->geom.center.Lat) < 0.0001 && std::fabs(lon - z->geom.center.Long) < 0.0001)
        return;
    z->geom.center = TGeoPoint{Round(lon, 6), Round(lat, 6)};
    z->UpdateRect();
    UpdateZone(QStringLiteral("center"));
    Changed(QStringLiteral("center"), EdCenter->text());
}

void TZoneEditForm::EdRadiusChange()
{
    TZoneInfo *z = fZoneInfo;
    if (fUpdLocked || !z)
        return;
    const double r = NumberOf(EdRadius->text());
    if (!(r >= 5))
        return;
    z->geom.radius = Round(r, 2);
    z->UpdateRect();
    UpdateZone(QStringLiteral("radius"));
    Changed(QStringLiteral("radius"), FloatToStrN(z->geom.radius, 2));
}

void TZoneEditForm::NodesListKeyDown(int Key)
{
    TZoneInfo *z = fZoneInfo;
    if (!z || !fEditMode || z->type_id != TZoneInfo::Poligon)
        return;
    auto &nodes = z->geom.nodes;
    const int i = NodesList->currentRow();
    const int n = int(nodes.size());
    if (i < 0 || i >= n)
        return;
    if (Key == Qt::Key_Insert) {
        const TGeoPoint a = nodes[i], b = nodes[i == 0 ? n - 1 : i - 1];
        nodes.insert(i, TGeoPoint{std::min(a.Long, b.Long) + std::fabs(a.Long - b.Long) / 2,
                                  std::min(a.Lat, b.Lat) + std::fabs(a.Lat - b.Lat) / 2});
        z->UpdateRect();
        UpdateZone();
        NodesList->setCurrentRow(i);
        Changed(QStringLiteral("node"), QStringLiteral("ins ") + QString::number(i));
    } else if (Key == Qt::Key_Delete && n > 3) {
        nodes.removeAt(i);
        z->UpdateRect();
        UpdateZone();
        Changed(QStringLiteral("node"), QStringLiteral("del ") + QString::number(i));
    }
}

bool TZoneEditForm::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == NodesList && Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(Event)->key();
        if (key == Qt::Key_Insert || key == Qt::Key_Delete) {
            NodesListKeyDown(key);
            return true;
        }
    } else if (Watched == EdColor && Event->type() == QEvent::MouseButtonRelease) {
        EdColorClick();
        return true;
    }
    return QDialog::eventFilter(Watched, Event);
}

void TZoneEditForm::UpdateTimerTimer()
{
    if (fUpdHash.Count() == 0 || !fUpdTime.isValid() || fUpdTime.elapsed() <= 1000)
        return;
    FlushUpdates();
}

void TZoneEditForm::FlushUpdates()
{
    if (fUpdHash.Count() == 0)
        return;
    const TZtHash pending = fUpdHash;
    fUpdHash.Clear();
    if (!fCmdCallback || fUpdLocked || !fZoneInfo || !fZoneInfo->edited)
        return;
    for (int i = 0; i < pending.Count(); ++i)
        Cmd(QStringLiteral("update"), {pending.Key(i), pending.GetValByIndex(i)});
}

int TZoneEditForm::Cmd(const QString &Action, const QStringList &Args)
{
    return fCmdCallback ? fCmdCallback(this, Action, QStringLiteral("zone"), Args) : -1;
}

void TZoneEditForm::ButSaveClick()
{
    if (!fZoneInfo)
        return;
    FlushUpdates();
    fZoneInfo->edited = false;
    const int res = Cmd(QStringLiteral("save"));
    if (res >= 1) {
        fClosing = true;
        close();
        return;
    }
    // Refused: the editor stays, and so does the zone's editing, for a retry.
    fZoneInfo->edited = fEditMode;
    UpdateZone();
}

void TZoneEditForm::Cancel()
{
    if (!fZoneInfo)
        return;
    fUpdHash.Clear();
    fZoneInfo->Assign(fBackupZi);
    fZoneInfo->edited = false;
    Cmd(QStringLiteral("cancel"));
}

void TZoneEditForm::ButCancelClick()
{
    Cancel();
    fClosing = true;
    close();
}

void TZoneEditForm::reject()
{
    // QDialog's own rejection closes without a close event reaching us, so
    // the zone would keep its edits and stay offered for dragging.
    if (fClosing)
        return QDialog::reject();
    ButCancelClick();
}

void TZoneEditForm::closeEvent(QCloseEvent *Event)
{
    fUpdateTimer.stop();
    // Closing by the frame is Cancel: the zone gets back what it had, a new
    // zone goes, and the map stops offering it for dragging.
    if (!fClosing) {
        fClosing = true;
        if (fEditMode)
            Cancel();
        else if (fZoneInfo)
            fZoneInfo->edited = false;
    }
    Q_EMIT Closing(this);
    fZoneInfo = nullptr;
    QDialog::closeEvent(Event);
}
