#pragma once

// What the track and track point information windows share: a list of named
// values, Escape closes, Ctrl+C or Ctrl+Insert copies the selected value, and
// the window goes away when it loses the focus, like a pop-up, unless it is
// held (while a window it opened is showing).

#include <QWidget>

class QTableWidget;

class TTrackPopupForm : public QWidget
{
    Q_OBJECT
public:
    explicit TTrackPopupForm(QWidget *parent = nullptr);

    // Appends a row: the label is the translation of Key (the key itself
    // when it has none).
    int AddRow(const QString &Key, const QString &Value);
    int RowCount() const;
    QString RowKey(int Row) const;
    QString RowValue(int Row) const;
    // The value of the row with this key, or a null text.
    QString Value(const QString &Key) const;
    // Fits the window's height to its rows and shows it in front.
    void ShowFitted();
    void SetHeld(bool v) { fHeld = v; }

    QTableWidget *List = nullptr;

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    bool fHeld = false;
};
