#include "shell/DesktopShortcut.h"

#include "shell/ShellPaths.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

namespace
{
const char entryName[] = "Vantara.desktop";

// The escapes of a desktop entry's string values.
QString escapeValue(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else
            out += c;
    }
    return out;
}
} // namespace

void DesktopShortcut::createAll(const ShellPaths &paths)
{
#ifdef Q_OS_WIN
    const QString target = paths.programFolder() + QStringLiteral("/Vantara.exe");
    QFile::link(target, paths.applicationsFolder() + QStringLiteral("/Vantara.lnk"));
    QFile::link(target, paths.desktopFolder() + QStringLiteral("/Vantara.lnk"));
#else
    const QByteArray entry = desktopEntry(launcher(paths.programFolder()),
                                          writeIcon(paths.dataFolder()), paths.workingFolder());
    const QString menu = paths.applicationsFolder();
    if (!menu.isEmpty() && QDir().mkpath(menu))
        writeEntry(menu, entry);
    // Only a desktop that exists: a folder the user removed is not brought back,
    // and an entry in the home folder itself would be clutter.
    const QString desktop = paths.desktopFolder();
    if (!desktop.isEmpty() && QDir(desktop).exists() &&
        QDir(desktop).canonicalPath() != QDir::home().canonicalPath())
        writeEntry(desktop, entry);
#endif
}

QString DesktopShortcut::launcher(const QString &programFolder)
{
    // The starter names itself, and stamps the copy it makes with the
    // installed version; both must hold, so that a program run by hand from a
    // build folder is never sent to an installed starter.
    const QString starter = qEnvironmentVariable("VANTARA_STARTER");
    const QFileInfo starterFile(starter);
    if (QDir::isAbsolutePath(starter) && starterFile.isFile() && starterFile.isExecutable() &&
        QFileInfo(programFolder + QStringLiteral("/.installed-version")).isFile())
        return starter;
    return QCoreApplication::applicationFilePath();
}

QString DesktopShortcut::execArgument(const QString &executable)
{
    // Quoted, with the characters that stay special inside quotes escaped;
    // "%" is a field code unless doubled.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : executable) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QByteArray DesktopShortcut::desktopEntry(const QString &executable, const QString &iconPath,
                                         const QString &workingFolder)
{
    QString entry = QStringLiteral("[Desktop Entry]\n"
                                   "Type=Application\n"
                                   "Version=1.0\n"
                                   "Name=Vantara\n"
                                   "Comment=Tablet-style desktop shell\n");
    entry += QStringLiteral("Exec=") + escapeValue(execArgument(executable)) + QLatin1Char('\n');
    if (!iconPath.isEmpty())
        entry += QStringLiteral("Icon=") + escapeValue(iconPath) + QLatin1Char('\n');
    if (!workingFolder.isEmpty())
        entry += QStringLiteral("Path=") + escapeValue(workingFolder) + QLatin1Char('\n');
    entry += QStringLiteral("Terminal=false\nCategories=Utility;\n");
    return entry.toUtf8();
}

void DesktopShortcut::writeEntry(const QString &folder, const QByteArray &entry)
{
    // Desktops start only entries that are marked executable.
    writeIfChanged(folder + QLatin1Char('/') + QLatin1String(entryName), entry,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                       QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                       QFileDevice::ExeOther);
}

// The program's icon as a PNG in its data folder (desktop entries cannot
// point into the compiled-in resources); empty when it cannot be written.
QString DesktopShortcut::writeIcon(const QString &folder)
{
    const QImage icon(QStringLiteral(":/happy.ico"));
    QByteArray png;
    QBuffer buffer(&png);
    if (folder.isEmpty() || icon.isNull() || !QDir().mkpath(folder) ||
        !buffer.open(QIODevice::WriteOnly) || !icon.save(&buffer, "PNG"))
        return QString();
    const QString path = folder + QStringLiteral("/vantara.png");
    return writeIfChanged(path, png,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ReadGroup | QFileDevice::ReadOther)
               ? path
               : QString();
}

// Replaces path's content atomically, unless it already holds content.
bool DesktopShortcut::writeIfChanged(const QString &path, const QByteArray &content,
                                     QFileDevice::Permissions permissions)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return true;
    existing.close();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(permissions);
    if (file.write(content) != content.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
