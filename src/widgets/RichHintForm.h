#pragma once

#include <QFrame>
#include <QPoint>
#include <QString>

class QLabel;

// A borderless help pop-up at a screen point. It sizes itself to its text,
// and closes (and frees itself) on any key or when it loses the focus.
class TRichHintForm : public QFrame
{
    Q_OBJECT
public:
    explicit TRichHintForm(QWidget *parent = nullptr);

    // Fills in the text, sizes, places the top-left corner at screenPos (pushed
    // into the work area) and shows the pop-up with the focus.
    void ShowHint(const QString &text, const QPoint &screenPos);
    QString Text() const;

    // Creates a pop-up owned by parent and shows it; it frees itself on close.
    static TRichHintForm *Popup(const QString &text, const QPoint &screenPos, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *FLabel = nullptr;
};
