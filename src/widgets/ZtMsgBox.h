#pragma once

// System message boxes driven by the Windows flag values the window logic
// uses (0x24 yes/no question, 0x33 yes/no/cancel warning, 0x40 information,
// 0x41 OK/cancel information ...). The answer is the Windows result code.

#include <QString>

class QWidget;

enum TMsgBoxResult { mbrOk = 1, mbrCancel = 2, mbrAbort = 3, mbrRetry = 4, mbrIgnore = 5, mbrYes = 6, mbrNo = 7 };

// The result a box with these flags gives when closed without a choice
// (Escape or the window's close button): Cancel where there is one, else No
// for a yes/no box, else OK.
int MsgBoxEscapeResult(unsigned Flags);

// Shows a modal box owned by Parent; returns a TMsgBoxResult.
int ZtMessageBox(QWidget *Parent, const QString &Caption, const QString &Text, unsigned Flags);
