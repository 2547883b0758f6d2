#pragma once

#include <QApplication>

// The application object. A char * thrown while an event is delivered is
// swallowed so the loop goes on; every other exception leaves the loop.
class ExceptionApplication : public QApplication
{
public:
    ExceptionApplication(int &argc, char **argv);
    ~ExceptionApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;
};
