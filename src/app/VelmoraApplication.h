#pragma once

#include <QApplication>

#include <functional>

// The application object: an exception that escapes an event handler is
// reported through OnException instead of ending the program.
class TVelmoraApplication : public QApplication
{
public:
    TVelmoraApplication(int &argc, char **argv);

    std::function<void(const QString &Message)> OnException;

    bool notify(QObject *receiver, QEvent *event) override;
};
