#include "shell/ScriptCall.h"

#include <QWebFrame>

QString ScriptCall::quote(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('\'');
    for (const QChar c : text) {
        const ushort u = c.unicode();
        // Quotes, backslashes, controls, line and paragraph separators, lone
        // surrogates and markup characters travel as \uXXXX, so no text can end
        // the literal or the call.
        const bool plain = u >= 0x20 && u < 0x7f && u != '\'' && u != '"' && u != '\\' &&
                           u != '<' && u != '>' && u != '&';
        if (plain || (u >= 0xa0 && u != 0x2028 && u != 0x2029 && !c.isSurrogate())) {
            out += c;
        } else {
            static const char hex[] = "0123456789abcdef";
            out += QLatin1String("\\u");
            out += QLatin1Char(hex[(u >> 12) & 0xf]);
            out += QLatin1Char(hex[(u >> 8) & 0xf]);
            out += QLatin1Char(hex[(u >> 4) & 0xf]);
            out += QLatin1Char(hex[u & 0xf]);
        }
    }
    out += QLatin1Char('\'');
    return out;
}

QString ScriptCall::build(const QString &function, std::initializer_list<Arg> args)
{
    QString call = function + QLatin1Char('(');
    bool first = true;
    for (const Arg &a : args) {
        if (!first)
            call += QLatin1Char(',');
        call += a.literal;
        first = false;
    }
    call += QLatin1Char(')');
    return call;
}

void ScriptCall::run(QWebFrame *frame, const QString &function, std::initializer_list<Arg> args)
{
    if (frame)
        frame->evaluateJavaScript(build(function, args));
}
