#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>

class QWebFrame;

// Builds and runs the shell's calls of page functions. Every argument reaches
// the page function as exactly the text given: no other code concatenates
// script.
class ScriptCall
{
public:
    // One argument: text becomes a quoted literal, a number stays bare.
    class Arg
    {
    public:
        Arg(const QString &text) : value(text), quoted(true) {}
        Arg(const char *text) : value(QString::fromUtf8(text)), quoted(true) {}
        Arg(int number) : value(QString::number(number)) {}
        Arg(qint64 number) : value(QString::number(number)) {}

    private:
        friend class ScriptCall;
        QString value;
        bool quoted = false;
    };

    // "name('a','b')" with each argument escaped.
    static QString build(const QString &function, std::initializer_list<Arg> args);
    // Evaluates the call in frame (nothing when frame is null); the result is
    // dropped. Texts longer than longText reach the function the same, but
    // through a window object that lives for the call.
    static void run(QWebFrame *frame, const QString &function, std::initializer_list<Arg> args);

    static const int longText = 32 * 1024;

    // A single-quoted script string literal whose value is text.
    static QString quote(const QString &text);

private:
    static bool isLong(const Arg &a) { return a.quoted && a.value.size() > longText; }
    // The call's text; long texts, when longTexts is given, are read from
    // the carrier object and added to it.
    static QString callOf(const QString &function, std::initializer_list<Arg> args,
                          QStringList *longTexts);
};
