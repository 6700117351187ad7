#pragma once

#include <QPlainTextEdit>
#include <QString>

// Whether the box also keeps its text in a log file. The program's boxes all use
// lmDisabled; lmAppend appends every text put into the box to LogFileName.
enum TZtTtyBoxLogMode { lmDisabled, lmAppend };

// A read-only, terminal-like log box: text continues the last line, a carriage
// return starts a new one, and only the newest LinesStored lines are kept.
class TZtTtyBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TZtTtyBox(QWidget *parent = nullptr);

    int LinesStored() const { return FLinesStored; }
    void SetLinesStored(int value);

    TZtTtyBoxLogMode LogMode() const { return FLogMode; }
    void SetLogMode(TZtTtyBoxLogMode value) { FLogMode = value; }
    QString LogFileName() const { return FLogFileName; }
    void SetLogFileName(const QString &value);
    qint64 MaxLogSize() const { return FMaxLogSize; }
    void SetMaxLogSize(qint64 value) { FMaxLogSize = value; }

    void PutString(const QString &str);
    void PutLine(const QString &line) { PutString(line + QLatin1Char('\r')); }
    void PutChar(QChar ch) { PutString(QString(ch)); }
    // Caret to pos (to the end when negative) and into view.
    void ScrollTo(int pos);
    // The box's lines, for callers that read the log back.
    int LineCount() const;
    QString Line(int index) const;

public Q_SLOTS:
    void Clear() { clear(); }

private:
    void AppendToLogFile(const QString &text);
    void TrimLines();

    int FLinesStored = 1000;
    TZtTtyBoxLogMode FLogMode = lmDisabled;
    QString FLogFileName = QStringLiteral("TtyLog.txt");
    qint64 FMaxLogSize = 262144;
};
