#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the message that goes with accepting an event or alarm.
class TAcceptEventForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAcceptEventForm(QWidget *parent = nullptr);

    // The message typed, trimmed.
    QString GetAcceptMessage() const;
    void SetAcceptMessage(const QString &Msg);

    QLabel *LblAcceptMsg = nullptr;
    QLineEdit *EdAcceptMsg = nullptr;
    QPushButton *ButCancel = nullptr;
    QPushButton *ButOk = nullptr;
};
