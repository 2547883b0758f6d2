#include "media/FolderListing.h"

#include <QDirIterator>
#include <QStringView>
#include <algorithm>
#include <vector>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <QFile>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#define VANTARA_READDIR_LISTING
#endif

namespace
{
// Names kept one after another in one text, with where each starts; the end
// of the last is the text's size.
struct Names {
    QString text;
    std::vector<int> starts;

    void append(const QString &name)
    {
        starts.push_back(text.size());
        text += name;
    }
    int length(size_t i) const
    {
        return (i + 1 < starts.size() ? starts[i + 1] : text.size()) - starts[i];
    }
    QStringView at(size_t i) const { return QStringView(text).mid(starts[i], length(i)); }
    // The names in order, each after separator (leading) or between them.
    QString joined(const std::vector<int> &order, QChar separator, bool leading) const
    {
        QString out;
        out.reserve(text.size() + int(order.size()));
        for (int i : order) {
            if (leading || !out.isEmpty())
                out += separator;
            out.append(text.constData() + starts[i], length(i));
        }
        return out;
    }
};

#ifdef VANTARA_READDIR_LISTING
// The suffixes of name filters that are all of the form "*.ext"; false when
// one is of another form.
bool suffixesOf(const QStringList &filters, QStringList &suffixes)
{
    for (const QString &f : filters) {
        if (!f.startsWith(QLatin1String("*.")))
            return false;
        const QString suffix = f.mid(1);
        for (const QChar c : suffix) {
            if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('[') ||
                c == QLatin1Char('\\'))
                return false;
        }
        suffixes << suffix;
    }
    return true;
}

// What QDir lists by default besides hidden names: files, folders and links
// to anything that exists; no devices, pipes, sockets or broken links.
bool isListedKind(int folder, const dirent *e)
{
    struct stat st;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
        if (fstatat(folder, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        type = S_ISLNK(st.st_mode)   ? DT_LNK
               : S_ISDIR(st.st_mode) ? DT_DIR
               : S_ISREG(st.st_mode) ? DT_REG
                                     : DT_UNKNOWN;
    }
    if (type == DT_LNK)
        return fstatat(folder, e->d_name, &st, 0) == 0;
    return type == DT_REG || type == DT_DIR;
}

// QDir's default listing read straight from the folder: QDirIterator makes a
// file information record for every entry, which for a large library costs
// more than all the rest of the listing. False when dir asks for more than
// this knows (other filters, or name filters that are not all "*.ext").
template <typename Take> bool readFolder(const QDir &dir, Take take)
{
    QStringList suffixes;
    if (dir.filter() != QDir::AllEntries || !suffixesOf(dir.nameFilters(), suffixes))
        return false;
    DIR *folder = opendir(QFile::encodeName(dir.path()).constData());
    if (!folder)
        return true;
    while (const dirent *e = readdir(folder)) {
        const char *n = e->d_name;
        const bool dotOrDotDot = n[0] == '.' && (!n[1] || (n[1] == '.' && !n[2]));
        if (n[0] == '.' && !dotOrDotDot)
            continue;
        const QString name = QFile::decodeName(n);
        const bool suffixed =
            suffixes.isEmpty() ||
            std::any_of(suffixes.begin(), suffixes.end(), [&name](const QString &s) {
                return name.endsWith(s, Qt::CaseInsensitive);
            });
        if (suffixed && isListedKind(dirfd(folder), e))
            take(name);
    }
    closedir(folder);
    return true;
}
#endif

template <typename Take> void listFolder(const QDir &dir, Take take)
{
#ifdef VANTARA_READDIR_LISTING
    if (readFolder(dir, take))
        return;
#endif
    QDirIterator it(dir.path(), dir.nameFilters(), dir.filter());
    while (it.hasNext()) {
        it.next();
        take(it.fileName());
    }
}
} // namespace

FolderListing::FolderListing(const QDir &dir)
{
    Names names, lower;
    bool comma = false;
    listFolder(dir, [&](const QString &name) {
        comma = comma || name.contains(QLatin1Char(','));
        names.append(name);
        // Each name lowered alone, as QDir compares them: a lowered letter
        // may take more room than the letter.
        lower.append(name.toLower());
    });
    entries = int(names.starts.size());
    if (!entries)
        return;

    std::vector<int> order(entries);
    for (int i = 0; i < entries; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&lower](int a, int b) { return lower.at(a).compare(lower.at(b)) < 0; });

    commaJoined = names.joined(order, QLatin1Char(','), true);
    if (comma)
        slashed = names.joined(order, QLatin1Char('/'), false);
}
