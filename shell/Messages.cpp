#include "shell/Messages.h"

#include <QMessageBox>
#include <QTimer>

namespace
{
Messages::Observer &observer()
{
    static Messages::Observer o;
    return o;
}
} // namespace

QString Messages::shown(const QString &text)
{
    // Texts quote names that pages and servers chose; laying out megabytes
    // of them would hold the shell for minutes, and nobody reads that far.
    if (text.size() <= maxLength)
        return text;
    int cut = maxLength - 3;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QStringLiteral("...");
}

void Messages::show(const QString &full)
{
    const QString text = shown(full);
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
