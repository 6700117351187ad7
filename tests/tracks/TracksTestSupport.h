#pragma once

// What the track window tests share: velmora-sim and the program state of
// the main window tests, and closing the message boxes a window opens.

#include "../main/MainTestSupport.h"

#include <QMessageBox>

// Closes every message box that shows up and keeps its text.
class MessageBoxCloser
{
public:
    MessageBoxCloser()
    {
        fTimer.setInterval(10);
        QObject::connect(&fTimer, &QTimer::timeout, [this] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                    fTexts << box->text();
                    box->done(QMessageBox::Ok);
                }
        });
        fTimer.start();
    }
    const QStringList &texts() const { return fTexts; }

private:
    QTimer fTimer;
    QStringList fTexts;
};
