#pragma once

// A small editor for a multi-line setting: lines separated by CR LF.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class TFrmEditPad : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmEditPad(QWidget *Parent = nullptr);

    QString Text() const;
    void SetText(const QString &Value);

    QPlainTextEdit *Edit = nullptr;
    QPushButton *ButOk = nullptr;
    QPushButton *ButCancel = nullptr;
};
