#include "ZtTtyBox.h"

#include <QFile>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

TZtTtyBox::TZtTtyBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTabChangesFocus(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont f(QStringLiteral("Lucida Console"), 10);
    f.setStyleHint(QFont::Monospace);
    setFont(f);
}

void TZtTtyBox::SetLinesStored(int value)
{
    FLinesStored = value < 1 ? 1 : value;
}

void TZtTtyBox::SetLogFileName(const QString &value)
{
    FLogFileName = value.isEmpty() ? QStringLiteral("TtyLog.txt") : value;
}

int TZtTtyBox::LineCount() const
{
    return document()->blockCount();
}

QString TZtTtyBox::Line(int index) const
{
    return document()->findBlockByNumber(index).text();
}

void TZtTtyBox::TrimLines()
{
    // Trim in steps of 100 lines so that a busy log does not cut on every line.
    QTextDocument *doc = document();
    if (doc->blockCount() < FLinesStored + 100)
        return;
    const int drop = doc->blockCount() - FLinesStored;
    QTextCursor c(doc);
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, drop);
    c.removeSelectedText();
}

void TZtTtyBox::PutString(const QString &str)
{
    QString text = str;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    text.remove(QLatin1Char('\n'));
    if (text.isEmpty())
        return;

    if (FLogMode == lmAppend)
        AppendToLogFile(text);

    setUpdatesEnabled(false);
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    const QStringList parts = text.split(QLatin1Char('\r'));
    c.insertText(parts.first());
    for (qsizetype i = 1; i < parts.size(); ++i) {
        c.insertBlock();
        c.insertText(parts.at(i));
        if (document()->blockCount() >= FLinesStored + 100) {
            TrimLines();
            c.movePosition(QTextCursor::End);
        }
    }
    setUpdatesEnabled(true);
    ScrollTo(-1);
}

void TZtTtyBox::ScrollTo(int pos)
{
    QTextCursor c(document());
    if (pos < 0)
        c.movePosition(QTextCursor::End);
    else
        c.setPosition(qMin(pos, document()->characterCount() - 1));
    setTextCursor(c);
    ensureCursorVisible();
    // The caret line may sit partly hidden at the bottom; the end of the log
    // means the last scroll position.
    if (pos < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TZtTtyBox::AppendToLogFile(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QFile f(FLogFileName);
    if (!f.open(QIODevice::Append))
        return;
    f.write(out.toUtf8());
    const qint64 size = f.size();
    f.close();
    if (FMaxLogSize <= 0 || size <= FMaxLogSize)
        return;
    // Over the limit: keep the newest half, starting at a line boundary, and
    // replace the file whole so that a failure leaves the old log intact.
    if (!f.open(QIODevice::ReadOnly))
        return;
    QByteArray data = f.readAll();
    f.close();
    qsizetype from = data.size() - FMaxLogSize / 2;
    const qsizetype nl = data.indexOf('\n', from);
    from = nl < 0 ? from : nl + 1;
    QSaveFile sf(FLogFileName);
    if (!sf.open(QIODevice::WriteOnly))
        return;
    sf.write(data.mid(from));
    sf.commit();
}
