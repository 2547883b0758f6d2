#pragma once

#include <QPointer>
#include <QWebPage>

// A page of the shell's stack whose signals stop reaching the shell's bridge
// once the page is being destroyed. Pages die after the main window has begun
// to go (they are its children, or children of its views), and a load that
// their destruction cancels must not call back into it.
class QuietPage : public QWebPage
{
public:
    QuietPage(QObject *parent, QObject *bridge);
    ~QuietPage() override;

private:
    QPointer<QObject> bridge;
};
