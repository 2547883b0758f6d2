#include "shell/Messages.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace
{
Messages::Observer &observer()
{
    static Messages::Observer o;
    return o;
}

Messages::Answerer &answerer()
{
    static Messages::Answerer a;
    return a;
}

void setPlainText(QMessageBox &box, const QString &text)
{
    box.setTextFormat(Qt::PlainText);
    box.setText(Messages::shown(text));
}
} // namespace

QString Messages::shown(const QString &text)
{
    // Texts quote names that pages and servers chose; laying out megabytes
    // of them would hold the shell for minutes, and nobody reads that far.
    return shortened(text, maxLength);
}

QString Messages::shortened(const QString &text, int length)
{
    if (text.size() <= length)
        return text;
    int cut = length - 3;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QStringLiteral("...");
}

void Messages::show(const QString &full)
{
    QMessageBox box;
    setPlainText(box, full);
    if (observer()) {
        observer()(box.text());
        QTimer::singleShot(0, &box, &QMessageBox::accept);
    }
    box.exec();
}

bool Messages::ask(const QString &question, const QString &yesLabel, const QString &noLabel)
{
    QMessageBox box;
    setPlainText(box, question);
    QPushButton *yes = box.addButton(yesLabel, QMessageBox::AcceptRole);
    QPushButton *no = box.addButton(noLabel, QMessageBox::RejectRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    if (observer()) {
        observer()(box.text());
        QTimer::singleShot(0, &box, [&box, yes, no] {
            const bool answer = answerer() && answerer()(box.text());
            (answer ? yes : no)->click();
        });
    }
    box.exec();
    return box.clickedButton() == yes;
}

void Messages::dismissAutomatically(Observer o)
{
    observer() = std::move(o);
}

void Messages::answerAutomatically(Answerer a)
{
    answerer() = std::move(a);
}
