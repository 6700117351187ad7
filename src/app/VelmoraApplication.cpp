#include "VelmoraApplication.h"

#include <cstdio>
#include <exception>

TVelmoraApplication::TVelmoraApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TVelmoraApplication::notify(QObject *receiver, QEvent *event)
{
    QString message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("unknown error");
    }
    if (OnException)
        OnException(message);
    else
        std::fprintf(stderr, "Error: %s\n", message.toLocal8Bit().constData());
    return false;
}
