#pragma once

#include <QDir>
#include <QString>

// A folder's entries as one text, in the order QDir gives them by default (by
// name ignoring case; names equal but for case in the order the folder gives
// them), made without a string or a file information record kept per entry:
// a library of many thousand songs would otherwise leave megabytes of freed
// but fragmented heap behind.
class FolderListing
{
public:
    // dir's entries passing its filters and name filters.
    explicit FolderListing(const QDir &dir);

    // ",a,b,c" for entries a, b and c; empty for none.
    const QString &joined() const { return commaJoined; }
    // "a/b/c" when a name holds a comma, which splits it in joined(); null
    // otherwise. No file name holds "/".
    const QString &slashJoined() const { return slashed; }
    int count() const { return entries; }

private:
    QString commaJoined;
    QString slashed;
    int entries = 0;
};
