// The descriptor reader: any app.con gives a defined result, and the
// descriptor written for any web-app link reads back as that link.
#include "FuzzSupport.h"
#include "shell/AppDescriptor.h"
#include "shell/BoundedXml.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    const AppDescriptor read = AppDescriptor::parse(bytes);
    const AppDescriptor again = AppDescriptor::parse(bytes);
    FUZZ_CHECK(read.type == again.type && read.link == again.link && read.css == again.css,
               QString::fromUtf8(bytes));

    const QString link = QString::fromUtf8(bytes);
    const QByteArray written = AppDescriptor::webDescriptor(link);
    FUZZ_CHECK(!written.contains('\n') && !written.contains('\r'), QString::fromUtf8(written));
    const AppDescriptor back = AppDescriptor::parse(written);
    // The DOM parser drops text that is all white space (by QChar::isSpace):
    // no address.
    const bool blank = std::all_of(link.begin(), link.end(), [](QChar c) { return c.isSpace(); });
    // Past the reader's bound a descriptor reads as empty, like any refused one.
    if (written.size() > BoundedXml::maxBytes) {
        FUZZ_CHECK(back.type.isEmpty() && back.link.isEmpty(), QString::fromUtf8(written));
        return 0;
    }
    FUZZ_CHECK(back.type == QLatin1String("web") && back.link == (blank ? QString() : link) &&
                   back.css.isEmpty(),
               QString::fromUtf8(written));
    return 0;
}
