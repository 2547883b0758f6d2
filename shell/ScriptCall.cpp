#include "shell/ScriptCall.h"

#include "shell/CallArguments.h"

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

namespace
{
const QString carrier = QStringLiteral("__vantaraCallArguments");
}

QString ScriptCall::callOf(const QString &function, std::initializer_list<Arg> args,
                           QStringList *longTexts)
{
    QString call = function + QLatin1Char('(');
    bool first = true;
    for (const Arg &a : args) {
        if (!first)
            call += QLatin1Char(',');
        first = false;
        if (longTexts && isLong(a)) {
            call += carrier + QStringLiteral(".at(") + QString::number(longTexts->size()) +
                    QLatin1Char(')');
            *longTexts << a.value;
        } else {
            call += a.quoted ? quote(a.value) : a.value;
        }
    }
    call += QLatin1Char(')');
    return call;
}

QString ScriptCall::build(const QString &function, std::initializer_list<Arg> args)
{
    return callOf(function, args, nullptr);
}

void ScriptCall::run(QWebFrame *frame, const QString &function, std::initializer_list<Arg> args)
{
    if (!frame)
        return;
    QStringList texts;
    const QString call = callOf(function, args, &texts);
    if (texts.isEmpty()) {
        frame->evaluateJavaScript(call);
        return;
    }
    // A library listing runs to megabytes: as a literal, the page's engine
    // would parse it and keep the script's source besides the text itself.
    CallArguments values(texts);
    frame->addToJavaScriptWindowObject(carrier, &values);
    frame->evaluateJavaScript(QStringLiteral("try { ") + call +
                              QStringLiteral(" } finally { delete window.") + carrier +
                              QStringLiteral("; }"));
}
