// TMonitorMainWin: the log, the message panel over the map and message boxes.

#include "main.h"
#include "AccountClock.h"

#include "MonitorMap.h"
#include "ZtMsgBox.h"
#include "ZtSmallUtils.h"
#include "ZtTtyBox.h"

#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainterPath>
#include <QRegion>
#include <QTimer>
#include <QToolButton>

namespace {
const QString TimeFmt = QStringLiteral("dd.mm.yyyy hh:nn:ss");
constexpr int MsgPanelWidth = 400;
} // namespace

void TMonitorMainWin::Log(const QString &Text)
{
    if (!LogBox)
        return;
    // Every carriage return starts a new line stamped with the account's time.
    QString s = Text;
    s.replace(u'\r', u'\r' + FormatDateTimeNaN(TimeFmt, AccountNow()) + QStringLiteral(": "));
    LogBox->PutString(s);
}

void TMonitorMainWin::LogFmt(const QString &Fmt, const QVariantList &Args, int ArgCount)
{
    Log(FormatLogText(Fmt, Args, ArgCount));
}

TLogCallback TMonitorMainWin::LogCallback()
{
    QPointer<TMonitorMainWin> self(this);
    return [self](const QString &Fmt, const QVariantList &Args, int ArgCount) {
        if (self)
            self->LogFmt(Fmt, Args, ArgCount);
    };
}

QString TMonitorMainWin::Tr(const QString &Key) { return Translation.GetString(Key); }

QString TMonitorMainWin::TrFmt(const QString &Key, const QVariantList &Args) { return Translation.GetString(Key, Args); }

void TMonitorMainWin::BuildMsgPanel()
{
    MsgPanel = new QFrame(MapPanel);
    MsgPanel->setObjectName(QStringLiteral("MsgPanel"));
    MsgPanel->setAutoFillBackground(true);
    MsgPanel->setFrameShape(QFrame::Box);
    QPalette p = MsgPanel->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 225));
    MsgPanel->setPalette(p);
    auto *l = new QHBoxLayout(MsgPanel);
    l->setContentsMargins(16, 16, 4, 16);
    MsgLabel = new QLabel(MsgPanel);
    MsgLabel->setObjectName(QStringLiteral("MsgLabel"));
    MsgLabel->setWordWrap(true);
    MsgLabel->setAlignment(Qt::AlignCenter);
    l->addWidget(MsgLabel, 1);
    SbCloseMsg = new QToolButton(MsgPanel);
    SbCloseMsg->setObjectName(QStringLiteral("SbCloseMsg"));
    SbCloseMsg->setText(QStringLiteral("x"));
    SbCloseMsg->setAutoRaise(true);
    l->addWidget(SbCloseMsg, 0, Qt::AlignTop);
    connect(SbCloseMsg, &QToolButton::clicked, this, &TMonitorMainWin::SbCloseMsgClick);
    MsgPanel->installEventFilter(this);
    MsgLabel->installEventFilter(this);
    MsgPanel->hide();
}

void TMonitorMainWin::LayoutMsgPanel()
{
    const int textW = MsgPanelWidth - 32 - SbCloseMsg->sizeHint().width();
    const int textH = MsgLabel->heightForWidth(textW) > 0 ? MsgLabel->heightForWidth(textW) : MsgLabel->sizeHint().height();
    const int h = textH + 32;
    MsgPanel->setFixedSize(MsgPanelWidth, h);
    MsgPanel->move((MapPanel->width() - MsgPanelWidth) / 2, (MapPanel->height() - h) / 2);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, MsgPanelWidth, h), 8, 8);
    MsgPanel->setMask(QRegion(path.toFillPolygon().toPolygon()));
    MsgPanel->raise();
}

void TMonitorMainWin::ShowMessagePanel(const QString &Text, int Seconds)
{
    QString text = TrimWs(Text);
    Log(u'\r' + text);
    if (text.isEmpty()) {
        fMsgTimeout = 0;
        MsgTimer->stop();
        MsgPanel->hide();
        if (fMap)
            fMap->Repaint();
        return;
    }
    QFont f = MsgLabel->font();
    QPalette p = MsgLabel->palette();
    if (text.startsWith(u'!')) {
        text = text.mid(1, 999);
        f.setBold(true);
        p.setColor(QPalette::WindowText, Qt::red);
    } else {
        f.setBold(false);
        p.setColor(QPalette::WindowText, Qt::black);
    }
    MsgLabel->setFont(f);
    MsgLabel->setPalette(p);
    MsgLabel->setText(text);
    LayoutMsgPanel();
    MsgPanel->show();
    fMsgTimeout = ComputerNow() + Seconds / 86400.0;
    MsgTimer->start();
}

void TMonitorMainWin::ShowMsg(const QString &Key, int Seconds)
{
    ShowMessagePanel(Key.isEmpty() ? QString() : Tr(Key), Seconds);
}

void TMonitorMainWin::ShowMsgFmt(const QString &Key, const QVariantList &Args, int Seconds)
{
    ShowMessagePanel(TrFmt(Key, Args), Seconds);
}

void TMonitorMainWin::MsgTimerTimer()
{
    if (MsgPanel->isVisible()) {
        if (ComputerNow() >= fMsgTimeout) {
            MsgPanel->hide();
            fMsgTimeout = 0;
            if (fMap)
                fMap->Repaint();
        }
    } else {
        MsgTimer->stop();
    }
}

void TMonitorMainWin::MsgPanelClick() { ShowMsg(QString(), 0); }
void TMonitorMainWin::SbCloseMsgClick() { ShowMsg(QString(), 0); }

int TMonitorMainWin::MessageBox(const QString &Caption, const QString &Text, unsigned Flags)
{
    return ZtMessageBox(this, Caption, Text, Flags);
}

void TMonitorMainWin::AppEventsException(const QString &Message)
{
    ShowMsgFmt(QStringLiteral("error"), {Message}, 5);
}

void TMonitorMainWin::SbClearLogClick() { LogBox->Clear(); }
