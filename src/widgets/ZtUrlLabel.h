#pragma once

#include <QLabel>
#include <QUrl>

// An underlined blue link, red while hovered or pressed, that opens its URL
// in the desktop's browser when clicked.
class TZtUrlLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TZtUrlLabel(QWidget *parent = nullptr);

    QUrl Url() const { return FUrl; }
    void SetUrl(const QUrl &url) { FUrl = url; }

    bool Hot() const { return FHovered || FPressed; }
    QColor CurrentColor() const;

Q_SIGNALS:
    // After a click, with whether the desktop shell accepted the URL.
    void clicked(bool opened);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void UpdateColor();

    QUrl FUrl;
    bool FHovered = false;
    bool FPressed = false;
};
