#include "install/FolderTree.h"

#include <QFile>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace
{
fs::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return fs::path(path.toStdWString());
#else
    return fs::path(QFile::encodeName(path).toStdString());
#endif
}

QString displayPath(const fs::path &path)
{
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.wstring());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
#endif
}

bool failed(QString *error, const fs::path &path, const std::error_code &ec)
{
    *error = QStringLiteral("cannot carry over %1: %2")
                 .arg(displayPath(path), QString::fromStdString(ec.message()));
    return false;
}

bool carryFolder(const fs::path &source, const fs::path &target, QString *error)
{
    std::error_code ec;
    for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path from = it->path();
        const fs::path to = target / from.filename();
        const fs::file_status status = fs::symlink_status(from, ec);
        if (ec)
            return failed(error, from, ec);
        const fs::file_status there = fs::symlink_status(to, ec);
        const bool taken = !ec && fs::exists(there);
        ec.clear();
        if (fs::is_directory(status)) {
            if (!taken && !fs::create_directory(to, ec))
                return failed(error, from, ec);
            if (taken && !fs::is_directory(there))
                continue; // the new file takes the folder's name
            if (!carryFolder(from, to, error))
                return false;
        } else if (taken) {
            continue; // the new tree's own file
        } else if (fs::is_symlink(status)) {
            fs::copy_symlink(from, to, ec);
        } else if (fs::is_regular_file(status)) {
            fs::create_hard_link(from, to, ec);
            if (ec) {
                ec.clear();
                fs::copy_file(from, to, ec);
            }
        } else {
            *error = QStringLiteral("cannot carry over %1: it is neither a file, a folder nor a "
                                    "symbolic link")
                         .arg(displayPath(from));
            return false;
        }
        if (ec)
            return failed(error, from, ec);
    }
    if (ec)
        return failed(error, source, ec);
    // Last, so that a read-only folder was still open to the files put in.
    fs::permissions(target, fs::status(source, ec).permissions(), ec);
    if (ec)
        return failed(error, source, ec);
    return true;
}
} // namespace

bool FolderTree::carryOver(const QString &source, const QString &target, QString *error)
{
    return carryFolder(nativePath(source), nativePath(target), error);
}

bool FolderTree::remove(const QString &path)
{
    const fs::path root = nativePath(path);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(root, ec);
    if (ec || !fs::exists(status))
        return !fs::exists(status);
    if (fs::is_directory(status)) {
        // A folder without write permission keeps its entries: open it first.
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
            entries.push_back(it->path());
        for (const fs::path &entry : entries)
            remove(displayPath(entry));
    }
#ifdef Q_OS_WIN
    // Windows refuses to delete a read-only file.
    if (!fs::is_directory(status))
        fs::permissions(root, fs::perms::owner_write, fs::perm_options::add, ec);
#endif
    return fs::remove(root, ec) && !ec;
}
