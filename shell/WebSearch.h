#pragma once

#include <QString>
#include <QUrl>

// The address at which the Browser searches the web for words typed on the
// home screen: the search provider's page with the words as its query item.
class WebSearch
{
public:
    // The longest search kept, in UTF-16 units; longer words are cut there
    // (never inside a character).
    static constexpr int maxLength = 500;

    // Empty when words hold nothing but white space.
    static QUrl addressFor(const QString &words);
    // words trimmed and cut to maxLength.
    static QString bounded(const QString &words);
};
