// The script-call helper: for any text, the quoted literal cannot end early
// or span lines, decodes back to the text, and a script engine evaluating
// the built call hands the function exactly the text.
#include "FuzzSupport.h"
#include "shell/ScriptCall.h"

#include <QJSEngine>
#include <QJSValue>

namespace
{
int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The value of a single-quoted literal that uses only \uXXXX escapes;
// fails on anything that could end the literal, the line or the script.
QString decodeLiteral(const QString &literal)
{
    FUZZ_CHECK(literal.size() >= 2 && literal.startsWith(QLatin1Char('\'')) &&
                   literal.endsWith(QLatin1Char('\'')),
               literal);
    QString value;
    const int end = literal.size() - 1;
    for (int i = 1; i < end; ++i) {
        const QChar c = literal.at(i);
        const ushort u = c.unicode();
        if (u == '\\') {
            FUZZ_CHECK(i + 5 < end && literal.at(i + 1) == QLatin1Char('u'), literal);
            int code = 0;
            for (int k = 2; k <= 5; ++k) {
                const int digit = hexValue(literal.at(i + k));
                FUZZ_CHECK(digit >= 0, literal);
                code = code * 16 + digit;
            }
            value += QChar(ushort(code));
            i += 5;
            continue;
        }
        FUZZ_CHECK(u != '\'' && u != '"' && u != '\n' && u != '\r' && u != 0x2028 && u != 0x2029,
                   literal);
        FUZZ_CHECK(u != '<' && u != '>' && u != '&', literal); // no markup inside a page's script
        FUZZ_CHECK(!c.isSurrogate(), literal);                 // encodable as UTF-8 on its own
        value += c;
    }
    return value;
}

QJSEngine &engine()
{
    static QJSEngine js;
    static const bool defined = [] {
        js.evaluate(
            QStringLiteral("function echo() { return Array.prototype.slice.call(arguments); }"));
        return true;
    }();
    Q_UNUSED(defined);
    return js;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Every UTF-16 code unit, lone surrogates included.
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t *>(data), int(size / 2));

    const QString literal = ScriptCall::quote(text);
    FUZZ_CHECK(decodeLiteral(literal) == text, literal);

    const QString call = ScriptCall::build(QStringLiteral("echo"), {text, 7, text});
    FUZZ_CHECK(call == QLatin1String("echo(") + literal + QLatin1String(",7,") + literal +
                           QLatin1Char(')'),
               call);

    {
        const QJSValue got = engine().evaluate(call);
        FUZZ_CHECK(!got.isError() && got.isArray(), call + QLatin1String(" -> ") + got.toString());
        FUZZ_CHECK(got.property(QStringLiteral("length")).toInt() == 3, call);
        FUZZ_CHECK(got.property(0).toString() == text && got.property(2).toString() == text, call);
        FUZZ_CHECK(got.property(1).isNumber() && got.property(1).toInt() == 7, call);
    }
    // The engine's heap lies in memory the leak checker does not search:
    // what this input made is freed before the next.
    engine().collectGarbage();
    return 0;
}
