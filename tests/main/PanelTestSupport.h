#pragma once

// A panel's test needs only what TPanelContext gives it: this context keeps
// the log and the notices as text, runs tasks when asked, and holds a real
// client signed in to velmora-sim.

#include "MainTestSupport.h"
#include "PanelContext.h"
#include "RecordWindows.h"
#include "translate.h"

#include <QWidget>

#include <deque>

class TTestPanelContext : public TPanelContext
{
public:
    explicit TTestPanelContext(const QString &Server, const QString &Token = QString())
        : fClient(std::make_unique<TVelmoraClient>(Server, Token, QString()))
    {
    }

    void Log(const QString &Text) override { LogText += Text; }
    void LogFmt(const QString &Fmt, const QVariantList &Args, int ArgCount) override
    {
        Log(FormatLogText(Fmt, Args, ArgCount));
    }
    TLogCallback LogCallback() override
    {
        return [this](const QString &Fmt, const QVariantList &Args, int Count) { LogFmt(Fmt, Args, Count); };
    }
    void ShowMsg(const QString &Key, int) override { Notices << Key; }
    void ShowMsgFmt(const QString &Key, const QVariantList &Args, int) override
    {
        Notices << Key;
        QStringList args;
        for (const QVariant &a : Args)
            args << a.toString();
        NoticeArgs << args.join(u'|');
    }
    void ShowMessagePanel(const QString &Text, int) override { Notices << Text; }
    int MessageBox(const QString &, const QString &Text, unsigned) override
    {
        Boxes << Text;
        return BoxAnswer;
    }
    void AddTask(std::function<void()> Task) override { Tasks.push_back(std::move(Task)); }
    // Runs the queued tasks, oldest first.
    void RunTasks()
    {
        while (!Tasks.empty()) {
            auto t = std::move(Tasks.front());
            Tasks.pop_front();
            t();
        }
    }
    TVelmoraClient *Client() const override { return fClient.get(); }
    TMonitorMap *Map() const override { return nullptr; }
    bool IsSignedIn() const override { return !fClient->Token().isEmpty(); }
    TObjectInfo *SelectedObject() const override { return Selected; }
    QWidget *DialogParent() const override { return const_cast<QWidget *>(&fParent); }
    TDateTime AccountNow() const override { return NowInZone(fClient->TimeZone()); }
    TRecordWindows &RecordWindows() override { return fWindows; }

    QString LogText;
    QStringList Notices;
    // The arguments of each formatted notice, joined by "|".
    QStringList NoticeArgs;
    QStringList Boxes;
    int BoxAnswer = 1;
    TObjectInfo *Selected = nullptr;
    std::deque<std::function<void()>> Tasks;

private:
    std::unique_ptr<TVelmoraClient> fClient;
    QWidget fParent;
    TRecordWindows fWindows;
};
