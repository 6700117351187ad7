#include "ZtMsgBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
struct ButtonSet
{
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape;
};

ButtonSet buttonsOf(unsigned flags)
{
    switch (flags & 0x0F) {
    case 1:
        return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel};
    case 2:
        return {QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Abort};
    case 3:
        return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel};
    case 4:
        return {QMessageBox::Yes | QMessageBox::No, QMessageBox::No};
    case 5:
        return {QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Cancel};
    default:
        return {QMessageBox::Ok, QMessageBox::Ok};
    }
}

QMessageBox::Icon iconOf(unsigned flags)
{
    switch (flags & 0xF0) {
    case 0x10:
        return QMessageBox::Critical;
    case 0x20:
        return QMessageBox::Question;
    case 0x30:
        return QMessageBox::Warning;
    case 0x40:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int resultOf(QMessageBox::StandardButton b)
{
    switch (b) {
    case QMessageBox::Ok:
        return mbrOk;
    case QMessageBox::Cancel:
        return mbrCancel;
    case QMessageBox::Abort:
        return mbrAbort;
    case QMessageBox::Retry:
        return mbrRetry;
    case QMessageBox::Ignore:
        return mbrIgnore;
    case QMessageBox::Yes:
        return mbrYes;
    case QMessageBox::No:
        return mbrNo;
    default:
        return mbrCancel;
    }
}
} // namespace

int MsgBoxEscapeResult(unsigned Flags) { return resultOf(buttonsOf(Flags).escape); }

int ZtMessageBox(QWidget *Parent, const QString &Caption, const QString &Text, unsigned Flags)
{
    const ButtonSet set = buttonsOf(Flags);
    QMessageBox box(iconOf(Flags), Caption, Text, set.buttons, Parent);
    box.setObjectName(QStringLiteral("ZtMessageBox"));
    box.setEscapeButton(set.escape);
    // The first button is the default, as in the system box.
    if ((Flags & 0x0F) == 3 || (Flags & 0x0F) == 4)
        box.setDefaultButton(QMessageBox::Yes);
    else if ((Flags & 0x0F) <= 1)
        box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    if (!clicked)
        return resultOf(set.escape);
    return resultOf(box.standardButton(clicked));
}
