// The remote message reader: any reply body gives a defined command, what
// follows a NUL byte is never read, and a well-formed message carrying a
// command gives back exactly that command.
#include "FuzzSupport.h"
#include "ads/AdSwitch.h"
#include "shell/BoundedXml.h"

#include <algorithm>

namespace
{
// Text as XML character data; characters XML cannot carry are left out.
QString xmlText(const QString &text)
{
    QString kept;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == 0x9 || u == 0xA || (u >= 0x20 && u != 0xFFFE && u != 0xFFFF))
            kept += c;
    }
    return kept;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), int(size));
    const QString command = AdSwitch::commandOf(body);
    FUZZ_CHECK(AdSwitch::commandOf(body + QByteArray("\0<cmd>x</cmd>", 13)) == command,
               QString::fromUtf8(body));
    const int nul = body.indexOf('\0');
    if (nul >= 0)
        FUZZ_CHECK(AdSwitch::commandOf(body.left(nul)) == command, QString::fromUtf8(body));

    // The input's text as the command of a well-formed message.
    QString text = QString::fromUtf8(body.left(nul < 0 ? body.size() : nul));
    text = xmlText(text);
    // Lone surrogates from malformed UTF-8 are replaced already; the parser
    // folds line breaks, so they travel as references.
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\t'), QLatin1String("&#9;"))
        .replace(QLatin1Char('\n'), QLatin1String("&#10;"));
    const QByteArray message = "<?xml version=\"1.0\"?><sfs><note>n</note><cmd>" +
                               escaped.toUtf8() + "</cmd><cmd>second</cmd></sfs>";
    // The DOM parser drops text that is all white space (by QChar::isSpace).
    const bool blank = std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
    const bool refused = message.size() > BoundedXml::maxBytes;
    FUZZ_CHECK(AdSwitch::commandOf(message) == (blank || refused ? QString() : text),
               QString::fromUtf8(message));
    return 0;
}
