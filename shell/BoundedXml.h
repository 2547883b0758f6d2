#pragma once

#include <QByteArray>

class QDomDocument;

// The one way the shell reads XML that others wrote (remote messages, app
// descriptors): small documents without entity declarations. A document
// that declares entities can make a few kilobytes expand into gigabytes.
namespace BoundedXml
{
// Far above any real descriptor (one line) or remote message.
constexpr int maxBytes = 64 * 1024;

// True when xml is at most maxBytes long and declares no entities: no
// "<!ENTITY" and no DOCTYPE with an internal subset, in any encoding the
// parser would accept.
bool isAcceptable(const QByteArray &xml);

// Parses xml into doc (without namespace processing) when it is acceptable
// and well-formed; false otherwise, as for any ill-formed document.
bool parse(const QByteArray &xml, QDomDocument &doc);
} // namespace BoundedXml
