#pragma once

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>

// The subject and message editors of the trap editor: one line of text (a
// line break typed or pasted is dropped), optionally limited in length, with
// the fields in double braces that the service fills in shown bold in navy.
class TTrapTemplateEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    // MaxLength 0: no limit. SingleRow: the editor is one text row high.
    explicit TTrapTemplateEdit(int MaxLength, bool SingleRow, QWidget *parent = nullptr);

    int MaxLength() const { return fMaxLength; }
    QString Text() const { return toPlainText(); }
    void SetText(const QString &Text);

    // Puts Field at the caret with a blank on each side unless one is there
    // already (or the text ends there) and places the caret after the field.
    // False, with nothing changed, when the field would not fit.
    bool InsertField(const QString &Field);

    // The text and caret after inserting Field at Caret, as InsertField does.
    // The text after the caret is kept whole, however long it is.
    static QString WithField(const QString &Text, int Caret, const QString &Field, int *NewCaret);

    QSize sizeHint() const override;

Q_SIGNALS:
    // The editor got the focus (the field choice then inserts into it).
    void entered();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void insertFromMimeData(const QMimeData *source) override;
    void focusInEvent(QFocusEvent *e) override;

private:
    // Room for typed or pasted text, with the selection replaced.
    int Room() const;

    int fMaxLength;
    bool fSingleRow;
};

// "{{" starts a field that runs to the next "}}" inclusive, or to the end of
// the line when none follows; fields are bold navy, the rest plain.
class TTrapFieldHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

    // The fields of one line: (start, length) pairs.
    static QList<QPair<int, int>> Fields(const QString &Line);

protected:
    void highlightBlock(const QString &text) override;
};
