#pragma once

// What the device dialogs share: a device is read and changed only through
// its command queue. A dialog reads the object's command log, fetches the
// stored answer of a query command, shows it, and sends one command with the
// user's changes. Nothing waits for the device: its answer shows the next
// time a dialog is opened.

#include "common.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QUrl;
class TCommandInfo;
class TObjectInfo;
class TVelmoraClient;

class TCommandExchange : public QDialog
{
    Q_OBJECT
public:
    // LogPrefix replaces every carriage return of a line passed to the sink.
    TCommandExchange(const QString &LogPrefix, QWidget *Parent);

    TLogCallback LogCallback() const { return fLogCallback; }
    void SetLogCallback(const TLogCallback &v) { fLogCallback = v; }

    // Opens a fetched answer with the desktop; tests replace it.
    std::function<void(const QUrl &)> OpenUrl;

    // The client's last log read for this dialog's object, newest answer
    // first; entries the device has not answered come before them, newest
    // first. The service's own order is not relied on. Empty when the last
    // read failed: the client then still holds an earlier read, perhaps of
    // another object. The pointers live until the next log read.
    std::vector<TCommandInfo *> SortedLog() const;

    // "dd.mm.yyyy hh:nn:ss", empty for a missing date.
    static QString DateText(double Dt);
    // The uid at the front of a "%d | %s" drop-down item; 0 when none.
    static uint32_t UidOfItem(const QString &Item);

protected:
    void Bind(TObjectInfo *ObjInfo, TVelmoraClient *Client);
    void Log(const QString &Text) const;

    // GetCommandLog with Count entries of command Text (empty: any); logs the
    // count. -1 when the request failed; the dialog then shows the client's
    // error and no log.
    int ReadLog(int Count, const QString &Text);
    // The client's error of its last request as the user sees it: "Error:"
    // and the client's text with the status.
    void ShowClientError();

    // Sends one command for the object as plain text. A refused or failed
    // command shows the client's error and gives false; the dialog stays.
    bool SendDeviceCommand(const QString &Cmd);

    // Fetches the answer to command Uid and opens it: text, PNG and JPEG with
    // the desktop, anything else only shows its folder.
    bool OpenAnswer(uint32_t Uid);

    // The device dialogs' part of the exchange: reads the log of Query, asks
    // whether to send Query when the device was never asked, warns when it
    // has not answered, else lists the answers in Requests, loads the first
    // and gives true (show the dialog).
    bool StartExchange(QComboBox *Requests, const QString &Query, const QString &NoRequestsKey,
                       const QString &NoAnswersKey);
    // Loads the answer of a drop-down item; false when nothing changed.
    bool LoadItem(const QString &Item);
    // Fills the dialog from a saved answer; false when it could not be read
    // (the dialog then keeps what it shows).
    virtual bool LoadAnswerFile(const QString &FileName) = 0;
    // The dialog's translated caption.
    QString TranslatedCaption() const;

    TObjectInfo *fObjInfo = nullptr;
    TVelmoraClient *fClient = nullptr;

private:
    QString fLogPrefix;
    // The last ReadLog succeeded: the client's log is this object's.
    bool fLogRead = false;
    TLogCallback fLogCallback;
};
