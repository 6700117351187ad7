#pragma once

#include "ZtDates.h"

#include <QList>
#include <QString>
#include <QWidget>

class QTreeWidget;
class TObjectInfo;

// A pop-up that lists what the client knows about an object, one key and
// value per row. It closes itself when it loses the focus or on Escape;
// Ctrl+C copies the selected row's value.
class TObjInfoForm : public QWidget
{
    Q_OBJECT
public:
    struct TRow
    {
        QString key;   // translated label
        QString value;
        QString hint;  // sensors: when the device measured the value
    };

    explicit TObjInfoForm(QWidget *parent = nullptr);

    // Fills the rows and shows the window without waiting.
    void ShowObjInfo(const TObjectInfo *Object);
    // The rows for an object; sensors older than a day before Now are left out.
    static QList<TRow> InfoRows(const TObjectInfo &Object, int Level, TDateTime Now);

    QTreeWidget *InfoList = nullptr;

protected:
    void keyPressEvent(QKeyEvent *Event) override;
    void changeEvent(QEvent *Event) override;
};
