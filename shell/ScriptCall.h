#pragma once

#include <QString>
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
        Arg(const QString &text) : literal(quote(text)) {}
        Arg(const char *text) : literal(quote(QString::fromUtf8(text))) {}
        Arg(int number) : literal(QString::number(number)) {}
        Arg(qint64 number) : literal(QString::number(number)) {}

    private:
        friend class ScriptCall;
        QString literal;
    };

    // "name('a','b')" with each argument escaped.
    static QString build(const QString &function, std::initializer_list<Arg> args);
    // Evaluates the call in frame (nothing when frame is null); the result is dropped.
    static void run(QWebFrame *frame, const QString &function, std::initializer_list<Arg> args);

    // A single-quoted script string literal whose value is text.
    static QString quote(const QString &text);
};
