#include "app/ExceptionApplication.h"

ExceptionApplication::ExceptionApplication(int &argc, char **argv) : QApplication(argc, argv) {}

ExceptionApplication::~ExceptionApplication() = default;

bool ExceptionApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (char *) {
        return false;
    }
}
