#include "ObjConfigForm.h"

#include "FormTranslate.h"
#include "FrmEditPad.h"
#include "OSM.ObjectInfo.h"
#include "ZtLed.h"
#include "device_answer.h"
#include "client.h"
#include "translate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// What the device turns back into a blank or a line break.
bool HasDeviceEscape(const QString &v)
{
    return v.contains(QLatin1String("%20"), Qt::CaseInsensitive) || v.contains(QLatin1String("%0A"), Qt::CaseInsensitive)
        || v.contains(QLatin1String("%0D"), Qt::CaseInsensitive);
}

} // namespace

TObjConfigForm::TObjConfigForm(QWidget *Parent) : TCommandExchange(QStringLiteral("\rConfig: "), Parent)
{
    setObjectName(QStringLiteral("ObjConfigForm"));
    setWindowTitle(QStringLiteral("Object Config"));

    auto named = [](QWidget *w, const QString &name) {
        w->setObjectName(name);
        return w;
    };
    auto led = [this, &named](const QString &key) {
        return static_cast<TZtLed *>(named(new TZtLed(this), QStringLiteral("Led_") + key));
    };
    auto check = [&](const QString &key, const QString &text) {
        auto *c = new QCheckBox(text, this);
        c->setObjectName(QStringLiteral("Cb_") + key);
        TObjectConfigField f;
        f.Key = key;
        f.Check = c;
        f.Led = led(key);
        fFields.append(f);
        // clicked: the user's click only, never setChecked.
        connect(c, &QCheckBox::clicked, this, [this, key] { Changed(key); });
        return f;
    };
    auto edit = [&](const QString &key, bool readOnly) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QStringLiteral("Ed_") + key);
        e->setReadOnly(readOnly);
        TObjectConfigField f;
        f.Key = key;
        f.Edit = e;
        f.Led = led(key);
        fFields.append(f);
        connect(e, &QLineEdit::textEdited, this, [this, key] { Changed(key); });
        return f;
    };

    CbConfigRequests = new QComboBox(this);
    CbConfigRequests->setObjectName(QStringLiteral("CbConfigRequests"));
    EdId = new QLineEdit(this);
    EdId->setObjectName(QStringLiteral("EdId"));
    EdId->setReadOnly(true);
    EdName = new QLineEdit(this);
    EdName->setObjectName(QStringLiteral("EdName"));
    EdName->setReadOnly(true);

    const TObjectConfigField service = check(QStringLiteral("service_enabled"), QStringLiteral("Enable background service"));
    const TObjectConfigField places = check(QStringLiteral("use_places"), QStringLiteral("Use places"));
    const TObjectConfigField cont = check(QStringLiteral("continuously_tracking"), QStringLiteral("Continuously tracking"));
    const TObjectConfigField fast = check(QStringLiteral("fast_on_charge"), QStringLiteral("Fast tracking on charge"));
    const TObjectConfigField block = check(QStringLiteral("block_incoming_calls"), QStringLiteral("Block unknown incoming calls"));

    TObjectConfigField server;
    server.Key = QStringLiteral("tracking_server");
    server.Combo = new QComboBox(this);
    server.Combo->setObjectName(QStringLiteral("Cb_tracking_server"));
    server.Combo->setEditable(true);
    server.Led = led(server.Key);
    fFields.append(server);
    connect(server.Combo, &QComboBox::editTextChanged, this, [this] { Changed(QStringLiteral("tracking_server")); });

    // Whole minutes, as many digits as the device's seconds can hold.
    auto *minutes = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,9}")), this);
    const TObjectConfigField period = edit(QStringLiteral("tracking_period"), false);
    const TObjectConfigField fastPeriod = edit(QStringLiteral("tracking_fast_period"), false);
    period.Edit->setValidator(minutes);
    fastPeriod.Edit->setValidator(minutes);

    const TObjectConfigField sms = check(QStringLiteral("is_sms_enabled"), QStringLiteral("Enable SMS commands"));
    QList<TObjectConfigField> smsTexts;
    for (const char *k : {"sms_white_list", "sms_quick_answers", "sms_quick_phrases"}) {
        const QString key = QLatin1String(k);
        smsTexts.append(edit(key, true));
        auto *b = new QPushButton(QStringLiteral("..."), this);
        b->setObjectName(QStringLiteral("But_") + key);
        b->setAutoDefault(false);
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
        PadButtons.insert(key, b);
        connect(b, &QPushButton::clicked, this, [this, key] { EditInPad(key); });
    }

    auto row = [](QGridLayout *g, int r, const TObjectConfigField &f, QWidget *label = nullptr, QWidget *tail = nullptr) {
        g->addWidget(f.Led, r, 0);
        int c = 1;
        if (label)
            g->addWidget(label, r, c++);
        QWidget *w = f.Check ? static_cast<QWidget *>(f.Check) : f.Combo ? static_cast<QWidget *>(f.Combo)
                                                                         : static_cast<QWidget *>(f.Edit);
        g->addWidget(w, r, c, 1, label || tail ? 1 : 2);
        if (tail)
            g->addWidget(tail, r, c + 1);
    };
    auto group = [this](const char *name, const QString &title) {
        auto *g = new QGroupBox(title, this);
        g->setObjectName(QLatin1String(name));
        return g;
    };
    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };

    auto *requests = group("GbConfigRequests", QStringLiteral("Config requests"));
    (new QVBoxLayout(requests))->addWidget(CbConfigRequests);
    auto *device = group("GbDevice", QStringLiteral("Device"));
    auto *dg = new QGridLayout(device);
    dg->addWidget(label("LblId", QStringLiteral("ID:")), 0, 0);
    dg->addWidget(EdId, 0, 1);
    dg->addWidget(label("LblName", QStringLiteral("Name:")), 1, 0);
    dg->addWidget(EdName, 1, 1);
    auto *checks = new QGridLayout;
    int r = 0;
    for (const auto &f : {service, places, cont, fast, block})
        row(checks, r++, f);
    auto *serverBox = group("GbTrackingServer", QStringLiteral("Tracking server"));
    auto *sg = new QGridLayout(serverBox);
    row(sg, 0, server);
    auto *periodBox = group("GbTrackingPeriod", QStringLiteral("Tracking period, minutes"));
    auto *pg = new QGridLayout(periodBox);
    row(pg, 0, period, label("LblRegular", QStringLiteral("Regular:")));
    row(pg, 1, fastPeriod, label("LblFast", QStringLiteral("Fast:")));
    auto *smsBox = group("GbSms", QStringLiteral("SMS commands"));
    auto *smg = new QGridLayout(smsBox);
    row(smg, 0, sms);
    const char *smsLabels[][2] = {{"LblWhiteList", "SMS white list:"}, {"LblQuickAnswers", "Quick answers:"},
                                  {"LblQuickPhrases", "Quick phrases:"}};
    for (int i = 0; i < 3; ++i)
        row(smg, i + 1, smsTexts[i], label(smsLabels[i][0], QLatin1String(smsLabels[i][1])), PadButtons[smsTexts[i].Key]);

    ButOk = new QPushButton(QStringLiteral("OK"), this);
    ButOk->setObjectName(QStringLiteral("ButOk"));
    ButOk->setDefault(true);
    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    ButCancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButOk);
    buttons->addWidget(ButCancel);

    auto *box = new QVBoxLayout(this);
    box->addWidget(requests);
    box->addWidget(device);
    box->addLayout(checks);
    box->addWidget(serverBox);
    box->addWidget(periodBox);
    box->addWidget(smsBox);
    box->addLayout(buttons);

    connect(ButOk, &QPushButton::clicked, this, &TObjConfigForm::OkClick);
    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(CbConfigRequests, &QComboBox::activated, this,
            [this](int i) { LoadItem(CbConfigRequests->itemText(i)); });

    TranslateForm(this);
    setFixedSize(sizeHint());
}

const TObjectConfigField *TObjConfigForm::Field(const QString &Key) const
{
    for (const auto &f : fFields)
        if (f.Key == Key)
            return &f;
    return nullptr;
}

void TObjConfigForm::Changed(const QString &Key)
{
    if (fFilling)
        return;
    const TObjectConfigField *f = Field(Key);
    f->Led->SetLit(true);
    // Tracking all the time needs the background service.
    if (Key == QLatin1String("continuously_tracking")) {
        const TObjectConfigField *s = Field(QStringLiteral("service_enabled"));
        if (!s->Check->isChecked()) {
            s->Check->setChecked(true);
            s->Led->SetLit(true);
        }
    }
}

bool TObjConfigForm::ShowConfig(TObjectInfo *aObjInfo, TVelmoraClient *aClient)
{
    Bind(aObjInfo, aClient);
    EdId->setText(aObjInfo->id);
    EdName->setText(aObjInfo->name);
    const QString host = QUrl(aClient->ApiServer()).host();
    const QString host2 = Config.Get(QStringLiteral("tracking_host2"), host).trimmed();
    {
        QComboBox *c = Field(QStringLiteral("tracking_server"))->Combo;
        const bool was = fFilling;
        fFilling = true;
        c->clear();
        c->addItems({QStringLiteral("https://%1/osmand").arg(host), QStringLiteral("udp://%1:8080").arg(host),
                     QStringLiteral("https://%1:7738").arg(host2)});
        c->setEditText(QString());
        fFilling = was;
    }
    if (!StartExchange(CbConfigRequests, QStringLiteral("get config"), QStringLiteral("no_config_requests"),
                       QStringLiteral("no_config_answers")))
        return false;
    return exec() == QDialog::Accepted;
}

bool TObjConfigForm::LoadAnswerFile(const QString &FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly)) {
        Log(QStringLiteral("\r  X: cannot read ") + FileName);
        return false;
    }
    const TZtHash values = ReadDeviceAnswer(f.readAll());
    fFilling = true;
    for (const TObjectConfigField &fld : std::as_const(fFields)) {
        const QString v = values.GetVal(fld.Key);
        if (fld.Check)
            fld.Check->setChecked(values.AsBool(fld.Key));
        else if (fld.IsPeriod())
            fld.Edit->setText(QString::number(values.AsInteger(fld.Key) / 60));
        else if (fld.Combo)
            fld.Combo->setEditText(v);
        else if (fld.Edit) {
            fld.Edit->setText(QUrl::fromPercentEncoding(v.toUtf8()));
            fld.Edit->setCursorPosition(0);
        }
        fld.Led->SetLit(false);
    }
    fFilling = false;
    return true;
}

QString TObjConfigForm::SetCommand(QString *Refused) const
{
    QString pairs;
    for (const TObjectConfigField &f : fFields) {
        if (!f.Led->Lit())
            continue;
        QString v;
        if (f.Check) {
            v = f.Check->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
        } else {
            v = (f.Combo ? f.Combo->currentText() : f.Edit->text()).trimmed();
            if (f.IsPeriod()) {
                // An emptied field says nothing: it is not a period of 0.
                if (v.isEmpty())
                    continue;
                v = QString::number(v.toLongLong() * 60);
            }
            if (HasDeviceEscape(v)) {
                if (Refused)
                    *Refused = f.Key;
                return QString();
            }
        }
        v.replace(QLatin1Char(' '), QStringLiteral("%20"))
            .replace(QLatin1Char('\n'), QStringLiteral("%0A"))
            .replace(QLatin1Char('\r'), QStringLiteral("%0D"));
        pairs += f.Key + u'=' + v + u' ';
    }
    pairs = pairs.trimmed();
    return pairs.isEmpty() ? QString() : QStringLiteral("set config ") + pairs;
}

void TObjConfigForm::OkClick()
{
    QString refused;
    const QString cmd = SetCommand(&refused);
    if (!refused.isEmpty()) {
        QMessageBox::warning(this, TranslatedCaption(),
                             Translation.GetString(QStringLiteral("config_value_refused"), {refused}));
        return;
    }
    if (!cmd.isEmpty() && !SendDeviceCommand(cmd))
        return;
    accept();
}

void TObjConfigForm::EditInPad(const QString &Key)
{
    const TObjectConfigField *f = Field(Key);
    if (!f || !f->Edit)
        return;
    TFrmEditPad pad(this);
    pad.setWindowTitle(Translation.GetString(objectName(), Key, Key));
    pad.SetText(f->Edit->text());
    QRect r(QCursor::pos(), pad.size());
    if (const QScreen *s = screen()) {
        const QRect area = s->availableGeometry();
        r.moveRight(std::min(r.right(), area.right()));
        r.moveBottom(std::min(r.bottom(), area.bottom()));
        r.moveLeft(std::max(r.left(), area.left()));
        r.moveTop(std::max(r.top(), area.top()));
    }
    pad.move(r.topLeft());
    if (pad.exec() != QDialog::Accepted)
        return;
    f->Edit->setText(pad.Text());
    f->Edit->setCursorPosition(0);
    f->Led->SetLit(true);
}
