#include "shell/BoundedXml.h"

#include <QDomDocument>
#include <QXmlStreamReader>

namespace
{
// The declarations by bytes, also with the NULs of UTF-16 and UTF-32 taken out.
bool mentionsDeclarations(const QByteArray &xml)
{
    QByteArray folded = xml.toUpper();
    folded.replace('\0', QByteArray());
    if (folded.contains("<!ENTITY"))
        return true;
    // An internal subset opens before the next markup after the DOCTYPE.
    const int doctype = folded.indexOf("<!DOCTYPE");
    if (doctype < 0)
        return false;
    const int subset = folded.indexOf('[', doctype);
    const int markup = folded.indexOf('<', doctype + 1);
    return subset >= 0 && (markup < 0 || subset < markup);
}

// The prolog as the stream reader decodes it (any declared encoding), up to
// the first element: entity references are expanded only after it.
bool prologDeclares(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD)
            return !reader.entityDeclarations().isEmpty() ||
                   reader.text().contains(QLatin1Char('[')) ||
                   reader.text().contains(QLatin1String("ENTITY"), Qt::CaseInsensitive);
        if (token == QXmlStreamReader::StartElement || token == QXmlStreamReader::Invalid)
            return false;
    }
    return false;
}
} // namespace

bool BoundedXml::isAcceptable(const QByteArray &xml)
{
    return xml.size() <= maxBytes && !mentionsDeclarations(xml) && !prologDeclares(xml);
}

bool BoundedXml::parse(const QByteArray &xml, QDomDocument &doc)
{
    if (!isAcceptable(xml))
        return false;
    return doc.setContent(xml, false);
}
