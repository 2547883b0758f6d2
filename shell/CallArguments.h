#pragma once

#include <QEvent>
#include <QObject>
#include <QStringList>

// Long texts of one script call, handed to the page as values of a short-lived
// window object instead of literals that the page's engine must parse.
class CallArguments : public QObject
{
    Q_OBJECT

public:
    explicit CallArguments(const QStringList &texts) : texts(texts) {}

    Q_INVOKABLE QString at(int i) const { return texts.value(i); }

protected:
    // The page sees this object for the length of the call: it must not free it.
    bool event(QEvent *e) override
    {
        return e->type() == QEvent::DeferredDelete || QObject::event(e);
    }

private:
    QStringList texts;
};
