#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the name of a trip about to start; "Start" closes with OK.
class TStartTripForm : public QDialog
{
    Q_OBJECT
public:
    explicit TStartTripForm(QWidget *parent = nullptr);

    // The name typed, trimmed.
    QString TripName() const;
    void SetTripName(const QString &Name);

    QLabel *LblTripName = nullptr;
    QLineEdit *EdTripName = nullptr;
    QPushButton *ButCancel = nullptr;
    QPushButton *ButStart = nullptr;
};
