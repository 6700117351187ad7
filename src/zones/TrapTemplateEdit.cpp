#include "TrapTemplateEdit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>

TTrapTemplateEdit::TTrapTemplateEdit(int MaxLength, bool SingleRow, QWidget *parent)
    : QPlainTextEdit(parent), fMaxLength(MaxLength), fSingleRow(SingleRow)
{
    setTabChangesFocus(true);
    if (fSingleRow) {
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFixedHeight(sizeHint().height());
    }
    new TTrapFieldHighlighter(document());
}

QSize TTrapTemplateEdit::sizeHint() const
{
    const QSize s = QPlainTextEdit::sizeHint();
    if (!fSingleRow)
        return QSize(s.width(), fontMetrics().lineSpacing() * 4 + 12);
    return QSize(s.width(), fontMetrics().lineSpacing() + 2 * frameWidth() + 2 * int(document()->documentMargin()));
}

void TTrapTemplateEdit::SetText(const QString &Text)
{
    QString t = Text;
    t.replace(u'\r', u' ').replace(u'\n', u' ');
    if (fMaxLength > 0 && t.size() > fMaxLength)
        t.truncate(fMaxLength);
    setPlainText(t);
}

int TTrapTemplateEdit::Room() const
{
    if (fMaxLength <= 0)
        return INT_MAX;
    const QTextCursor c = textCursor();
    return fMaxLength - int(toPlainText().size()) + (c.selectionEnd() - c.selectionStart());
}

void TTrapTemplateEdit::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->ignore(); // the dialog's default button takes it
        return;
    }
    const QString t = e->text();
    if (!t.isEmpty() && t.at(0).isPrint() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        && Room() < t.size())
        return;
    QPlainTextEdit::keyPressEvent(e);
}

void TTrapTemplateEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText())
        return;
    QString t = source->text();
    t.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
    const int room = Room();
    if (t.size() > room)
        t.truncate(qMax(0, room));
    textCursor().insertText(t);
}

void TTrapTemplateEdit::focusInEvent(QFocusEvent *e)
{
    QPlainTextEdit::focusInEvent(e);
    Q_EMIT entered();
}

QString TTrapTemplateEdit::WithField(const QString &Text, int Caret, const QString &Field, int *NewCaret)
{
    Caret = qBound(0, Caret, int(Text.size()));
    QString before = Text.left(Caret);
    QString after = Text.mid(Caret);
    if (!before.isEmpty() && !before.endsWith(u' '))
        before += u' ';
    if (!after.isEmpty() && !after.startsWith(u' '))
        after.prepend(u' ');
    if (NewCaret)
        *NewCaret = int(before.size() + Field.size());
    return before + Field + after;
}

bool TTrapTemplateEdit::InsertField(const QString &Field)
{
    int caret = 0;
    const QString t = WithField(toPlainText(), textCursor().position(), Field, &caret);
    if (fMaxLength > 0 && t.size() > fMaxLength)
        return false;
    // One edit step, so that undo takes the field out again.
    QTextCursor c(document());
    c.select(QTextCursor::Document);
    c.insertText(t);
    c.setPosition(caret);
    setTextCursor(c);
    return true;
}

QList<QPair<int, int>> TTrapFieldHighlighter::Fields(const QString &Line)
{
    QList<QPair<int, int>> out;
    qsizetype from = 0;
    while (true) {
        const qsizetype start = Line.indexOf(QLatin1String("{{"), from);
        if (start < 0)
            break;
        const qsizetype close = Line.indexOf(QLatin1String("}}"), start + 2);
        const qsizetype end = close < 0 ? Line.size() : close + 2;
        out.append({int(start), int(end - start)});
        from = end;
    }
    return out;
}

void TTrapFieldHighlighter::highlightBlock(const QString &text)
{
    QTextCharFormat field;
    field.setFontWeight(QFont::Bold);
    field.setForeground(QColor(0, 0, 128));
    for (const auto &f : Fields(text))
        setFormat(f.first, f.second, field);
}
