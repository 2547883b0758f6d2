#include "shell/WebSearch.h"

#include "shell/Addresses.h"

#include <QUrlQuery>

QString WebSearch::bounded(const QString &words)
{
    QString kept = words.simplified();
    if (kept.size() > maxLength) {
        int end = maxLength;
        // A surrogate pair stays whole.
        if (kept.at(end - 1).isHighSurrogate())
            --end;
        kept.truncate(end);
    }
    return kept;
}

QUrl WebSearch::addressFor(const QString &words)
{
    const QString kept = bounded(words);
    if (kept.isEmpty())
        return QUrl();
    QUrl address(QStringLiteral(VANTARA_WEB_SEARCH));
    // Encoded beforehand: QUrlQuery would keep "+", which the provider reads
    // as a space.
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("q"), QString::fromLatin1(QUrl::toPercentEncoding(kept)));
    address.setQuery(query);
    return address;
}
