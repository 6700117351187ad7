#pragma once

// The free-form Commands dialog of one object: its last ten commands with
// the device's answers, and a field to send a command of the user's own.

#include "CommandExchange.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TZtLed;

class TCommandsForm : public TCommandExchange
{
    Q_OBJECT
public:
    explicit TCommandsForm(QWidget *Parent = nullptr);
    ~TCommandsForm() override;

    // Lists the object's log and shows the dialog modally; true when the
    // user's command was sent. A command the client fails to send shows its
    // error and keeps the dialog open with the command.
    bool ShowCommands(TObjectInfo *aObjInfo, TVelmoraClient *aClient);
    // The command field's text, trimmed.
    QString Command() const;

    QLineEdit *ObjName = nullptr;
    QLineEdit *ObjId = nullptr;
    QLineEdit *CommandEdit = nullptr;
    TZtLed *CommandLed = nullptr;
    QPushButton *SendButton = nullptr;
    QPushButton *CloseButton = nullptr;
    QTreeWidget *CommandLog = nullptr;

    enum { ColUid, ColCommand, ColCreate, ColSend, ColAnswer };

protected:
    bool LoadAnswerFile(const QString &) override { return false; }

private:
    void FillLog();
    void Send();
    void ActivateRow(QTreeWidgetItem *Item, int Column);
};
