#include "CommandsForm.h"

#include "FormTranslate.h"
#include "OSM.CommandInfo.h"
#include "OSM.ObjectInfo.h"
#include "ZtLed.h"
#include "client.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString Section = QStringLiteral("Commands");

// A send time before this is the service's "not fetched yet".
const double SendEpoch = EncodeDateTime(2000, 1, 1);

} // namespace

TCommandsForm::TCommandsForm(QWidget *Parent) : TCommandExchange(QStringLiteral("\rCommands: "), Parent)
{
    setObjectName(QStringLiteral("CommandsForm"));
    setWindowTitle(QStringLiteral("Commands"));
    setMinimumSize(400, 320);

    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    ObjName = new QLineEdit(this);
    ObjName->setObjectName(QStringLiteral("ObjName"));
    ObjName->setReadOnly(true);
    ObjId = new QLineEdit(this);
    ObjId->setObjectName(QStringLiteral("ObjId"));
    ObjId->setReadOnly(true);
    CommandEdit = new QLineEdit(this);
    CommandEdit->setObjectName(QStringLiteral("CommandEdit"));
    CommandLed = new TZtLed(this);
    CommandLed->setObjectName(QStringLiteral("CommandLed"));
    SendButton = new QPushButton(QStringLiteral("Send"), this);
    SendButton->setObjectName(QStringLiteral("SendButton"));
    SendButton->setAutoDefault(false);
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setAutoDefault(false);
    CommandLog = new QTreeWidget(this);
    CommandLog->setObjectName(QStringLiteral("CommandLog"));
    CommandLog->setRootIsDecorated(false);
    CommandLog->setHeaderLabels({QStringLiteral("uid"), QStringLiteral("command"), QStringLiteral("create"),
                                 QStringLiteral("send"), QStringLiteral("answer")});
    CommandLog->setWordWrap(true);

    auto *grid = new QGridLayout;
    grid->addWidget(label("LblObjName", QStringLiteral("Object Name:")), 0, 0);
    grid->addWidget(ObjName, 0, 1, 1, 3);
    grid->addWidget(label("LblObjId", QStringLiteral("Object Id:")), 1, 0);
    grid->addWidget(ObjId, 1, 1, 1, 3);
    grid->addWidget(label("LblCommand", QStringLiteral("Command:")), 2, 0);
    grid->addWidget(CommandEdit, 2, 1);
    grid->addWidget(CommandLed, 2, 2);
    grid->addWidget(SendButton, 2, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(label("LblCommandLog", QStringLiteral("Command Log:")));
    buttons->addStretch();
    buttons->addWidget(CloseButton);
    auto *box = new QVBoxLayout(this);
    box->addLayout(grid);
    box->addLayout(buttons);
    box->addWidget(CommandLog, 1);

    // Only the user's own edits light the indicator, never the dialog's filling.
    connect(CommandEdit, &QLineEdit::textEdited, this, [this] { CommandLed->SetLit(true); });
    connect(CommandEdit, &QLineEdit::returnPressed, this, [this] {
        if (!Command().isEmpty())
            Send();
    });
    connect(SendButton, &QPushButton::clicked, this, &TCommandsForm::Send);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(CommandLog, &QTreeWidget::itemActivated, this, &TCommandsForm::ActivateRow);

    TranslateForm(this);
    resize(int(IniFile.ReadInteger(Section, QStringLiteral("Width"), 480)),
           int(IniFile.ReadInteger(Section, QStringLiteral("Height"), 400)));
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

TCommandsForm::~TCommandsForm()
{
    IniFile.WriteInteger(Section, QStringLiteral("Width"), width());
    IniFile.WriteInteger(Section, QStringLiteral("Height"), height());
    IniFile.WriteInteger(Section, QStringLiteral("Left"), x());
    IniFile.WriteInteger(Section, QStringLiteral("Top"), y());
}

QString TCommandsForm::Command() const
{
    return CommandEdit->text().trimmed();
}

bool TCommandsForm::ShowCommands(TObjectInfo *aObjInfo, TVelmoraClient *aClient)
{
    Bind(aObjInfo, aClient);
    ObjName->setText(aObjInfo->name);
    ObjId->setText(aObjInfo->id);
    ReadLog(10, QString());
    FillLog();
    return exec() == QDialog::Accepted;
}

void TCommandsForm::FillLog()
{
    CommandLog->clear();
    const std::vector<TCommandInfo *> log = SortedLog();
    QString waiting;
    for (const TCommandInfo *c : log) {
        auto *item = new QTreeWidgetItem(CommandLog);
        item->setData(ColUid, Qt::UserRole, c->uid);
        item->setText(ColUid, QString::number(c->uid));
        item->setText(ColCommand, c->txt.isEmpty() ? QStringLiteral("n/a") : c->txt);
        item->setText(ColCreate, DateText(c->create_dt));
        if (!std::isnan(c->send_dt) && c->send_dt > SendEpoch)
            item->setText(ColSend, DateText(c->send_dt));
        if (!c->r_type.isEmpty())
            item->setText(ColAnswer, TVelmoraClient::ExtOfContentType(c->r_type) + QStringLiteral(" / ")
                                         + QString::number(c->r_size));
        // Two text lines a row.
        item->setSizeHint(ColCommand, QSize(0, 2 * CommandLog->fontMetrics().height() + 4));
        // Not fetched yet: offered again, the oldest such entry last.
        if (std::isnan(c->send_dt) || c->send_dt == 0)
            waiting = c->txt;
    }
    if (!waiting.isNull())
        CommandEdit->setText(waiting);
}

void TCommandsForm::Send()
{
    // Nothing of the user's own: nothing to send.
    if (!CommandLed->Lit() || Command().isEmpty()) {
        reject();
        return;
    }
    if (SendDeviceCommand(Command()))
        accept();
}

void TCommandsForm::ActivateRow(QTreeWidgetItem *Item, int Column)
{
    if (!Item)
        return;
    if (Column == ColCommand) {
        const QString txt = Item->text(ColCommand);
        if (txt != QLatin1String("n/a")) {
            CommandEdit->setText(txt);
            // Chosen by the user: it counts as an edit.
            CommandLed->SetLit(true);
        }
    } else if (Column == ColAnswer && !Item->text(ColAnswer).isEmpty()) {
        OpenAnswer(Item->data(ColUid, Qt::UserRole).toUInt());
    }
}
