#include "shell/AppDescriptor.h"

#include "shell/BoundedXml.h"

#include <QDomDocument>
#include <QFile>

namespace
{
QString firstText(const QDomDocument &doc, const QString &tag)
{
    const QDomNodeList found = doc.elementsByTagName(tag);
    return found.isEmpty() ? QString() : found.item(0).toElement().text();
}
} // namespace

AppDescriptor AppDescriptor::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    // One byte past the bound is enough to refuse a file too large to read.
    return parse(file.read(BoundedXml::maxBytes + 1));
}

AppDescriptor AppDescriptor::parse(const QByteArray &xml)
{
    QDomDocument doc;
    if (!BoundedXml::parse(xml, doc))
        return {};
    return {firstText(doc, QStringLiteral("apptype")), firstText(doc, QStringLiteral("applink")),
            firstText(doc, QStringLiteral("appcss"))};
}

QByteArray AppDescriptor::webDescriptor(const QString &link)
{
    // Tabs and line breaks travel as references: a reader in text mode drops
    // carriage returns, and the descriptor stays on one line. The parser
    // refuses U+FFFE and U+FFFF as characters but takes them as references.
    QString text = link.toHtmlEscaped();
    text.replace(QLatin1Char('\t'), QLatin1String("&#9;"))
        .replace(QLatin1Char('\n'), QLatin1String("&#10;"))
        .replace(QLatin1Char('\r'), QLatin1String("&#13;"))
        .replace(QChar(0xfffe), QLatin1String("&#xFFFE;"))
        .replace(QChar(0xffff), QLatin1String("&#xFFFF;"));
    return "<config><apptype>web</apptype><applink>" + text.toUtf8() + "</applink></config>";
}
