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
int usage()
{
    std::fputs("usage: vantara-pack pack FOLDER ARCHIVE\n"
               "       vantara-pack unpack ARCHIVE FOLDER\n"
               "Packs the files of FOLDER (hidden files left out) into ARCHIVE, or unpacks\n"
               "ARCHIVE into FOLDER. An app package (.lpk) is the archive of one app folder.\n",
               stderr);
    return 2;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 1 &&
        (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        usage();
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
