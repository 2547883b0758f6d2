#include "shell/Messages.h"

#include <QMessageBox>
#include <QTimer>

namespace {
Messages::Observer &observer()
{
    static Messages::Observer o;
    return o;
}
} // namespace

void Messages::show(const QString &text)
{
    QMessageBox box;
    box.setText(text);
    if (observer()) {
        observer()(text);
        QTimer::singleShot(0, &box, &QMessageBox::accept);
    }
    box.exec();
}

void Messages::dismissAutomatically(Observer o)
{
    observer() = std::move(o);
}
