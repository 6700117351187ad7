#pragma once

// The filter dialog: a median or a Kalman filter with its parameters and the
// style of the filtered track. Checks the values, remembers them in the
// settings file ([Filter]) and builds the chosen filter.

#include <QDialog>

#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TLocationFilter;

class TFilterForm : public QDialog
{
    Q_OBJECT
public:
    explicit TFilterForm(QWidget *parent = nullptr);
    ~TFilterForm() override;

    // True when the values of the active tab make a filter; otherwise the
    // offending field blinks, a warning names the value and LastError holds it.
    bool CheckFilter();
    // A new filter of the active tab, owned by the caller; throws EZtError for
    // values a filter cannot take.
    std::unique_ptr<TLocationFilter> CreateFilter() const;
    int GetTrackStyle() const;
    const QString &LastError() const { return fLastError; }

    QTabWidget *PageControl = nullptr;
    QLineEdit *EdSize = nullptr;
    QLineEdit *EdMeasureError = nullptr;
    QLineEdit *EdMeasureSpeed = nullptr;
    QComboBox *CbTrackStyle = nullptr;
    QPushButton *ButOk = nullptr;
    QPushButton *ButCancel = nullptr;

private:
    void ButOkClick();
    bool Refuse(QLineEdit *field, const QString &message);

    QString fLastError;
};

// A decimal number typed with "," or "." (0 when it is not a number).
double FilterFieldNumber(const QString &text);
