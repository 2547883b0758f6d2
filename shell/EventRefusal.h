#pragma once

#include <QEvent>
#include <QObject>
#include <QSet>

// Swallows chosen kinds of events before they reach an object. The window
// that page script sees must not be freed by script (deleteLater), and the
// home view must not follow links that are dropped on it.
class EventRefusal : public QObject
{
public:
    // Refuses types for target from now on, for target's lifetime.
    static void install(QObject *target, const QSet<QEvent::Type> &types);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    EventRefusal(QObject *target, const QSet<QEvent::Type> &types);

    QSet<QEvent::Type> refused;
};
