// vantara-pack: makes and opens folder archives, the format of ".lpk" app
// packages.
//
//   vantara-pack pack FOLDER ARCHIVE
//   vantara-pack unpack ARCHIVE FOLDER

#include "install/FolderCompressor.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace
{
const char usageText[] = "usage: vantara-pack pack FOLDER ARCHIVE\n"
                         "       vantara-pack unpack ARCHIVE FOLDER\n";

const char helpText[] =
    "Makes and opens folder archives. An app package (.lpk) is the archive of one\n"
    "app folder: the folder that holds its app.con and icon.png.\n"
    "\n"
    "pack FOLDER ARCHIVE\n"
    "  Writes the files of FOLDER and its sub-folders into ARCHIVE. Hidden files\n"
    "  and folders (names starting with \".\"), empty folders and anything that is\n"
    "  not a regular file or folder are left out; links are followed, a link back\n"
    "  to a folder being packed is packed once. A name that unpacking would refuse\n"
    "  (one with \":\", \"\\\", a control character or an unpaired surrogate) stops\n"
    "  the pack with the file's name, as does a file of 4 GiB or more or files\n"
    "  adding up to more than 2 GiB; so do files that compress to less than a\n"
    "  hundredth of their size (beyond their first MiB), which unpacking would\n"
    "  take for a bomb. ARCHIVE may not lie inside FOLDER. A failed pack writes\n"
    "  no archive and leaves an existing ARCHIVE as it was.\n"
    "\n"
    "unpack ARCHIVE FOLDER\n"
    "  Reads the whole archive before anything is written, and refuses it all\n"
    "  when it is cut short or damaged, when a name would leave FOLDER (absolute,\n"
    "  \"..\", a drive letter or colon, a control character), when a file would\n"
    "  replace a folder or pass through a symbolic link, or when the contents its\n"
    "  records announce add up to more than 2 GiB, to more than 100 times the\n"
    "  archive's size (beyond their first MiB) or to more than the free space; a\n"
    "  file that inflates to more than its record announces stops it too. The\n"
    "  files are unpacked beside FOLDER first and then replace those of the same\n"
    "  names in it; other files in FOLDER stay. A refused or failed unpack leaves\n"
    "  FOLDER as it was.\n"
    "\n"
    "Exit status: 0 when done, 1 when the pack or unpack failed (the reason is\n"
    "printed), 2 for a wrong command line.\n";

int usage()
{
    std::fputs(usageText, stderr);
    std::fputs("Try 'vantara-pack --help' for more.\n", stderr);
    return 2;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 1 &&
        (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        std::fputs(usageText, stdout);
        std::fputs("\n", stdout);
        std::fputs(helpText, stdout);
        return 0;
    }
    if (args.size() != 3)
        return usage();

    FolderCompressor compressor;
    bool ok = false;
    if (args[0] == QLatin1String("pack"))
        ok = compressor.packFolder(args[1], args[2]);
    else if (args[0] == QLatin1String("unpack"))
        ok = compressor.unpackArchive(args[1], args[2]);
    else
        return usage();

    if (!ok) {
        std::fprintf(stderr, "vantara-pack: %s failed: %s\n", qPrintable(args[0]),
                     qPrintable(compressor.errorString()));
        return 1;
    }
    return 0;
}
