// Folder archives: packing and unpacking a 256 MiB tree of mixed text and
// noise, against zlib's own compress and uncompress of the same files at the
// same level in the same run; and the peak memory of packing one 1 GiB file,
// measured in a child process. The data lives in a temporary folder that is
// removed afterwards.
//
//   ./bench_archive [rounds] [work folder]

#include "ProcessMemory.h"
#include "install/FolderCompressor.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>
#include <zlib.h>

namespace
{
constexpr qint64 MiB = 1024 * 1024;

// Text-like bytes (compressing about 4 to 1) or noise.
QByteArray content(qint64 size, bool text, quint32 seed)
{
    static const char *const words[] = {"shell ", "home ", "icon ",  "page\n",  "<div>",
                                        "</div>", "app ",  "tab ",   "return ", "var ",
                                        "0.5 ",   "42 ",   "width ", "color ",  "margin "};
    QRandomGenerator gen(seed);
    QByteArray b(int(size), Qt::Uninitialized);
    if (!text) {
        gen.fillRange(reinterpret_cast<quint32 *>(b.data()), int(size / 4));
        return b;
    }
    char *p = b.data();
    char *end = p + size;
    while (p < end) {
        const char *w = words[gen.bounded(15)];
        while (*w && p < end)
            *p++ = *w++;
        if (gen.bounded(8) == 0 && p < end)
            *p++ = char('a' + gen.bounded(26));
    }
    return b;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// 256 MiB: a few large files and many small ones, half of the bytes text.
qint64 makeTree(const QString &root)
{
    qint64 total = 0;
    quint32 seed = 1;
    auto add = [&](const QString &rel, qint64 size) {
        const QByteArray data = content(size, seed % 2 == 0, seed);
        ++seed;
        writeFile(root + "/" + rel, data);
        total += size;
    };
    for (int i = 0; i < 16; ++i)
        add(QStringLiteral("large/part%1.bin").arg(i), 8 * MiB);
    for (int i = 0; i < 512; ++i)
        add(QStringLiteral("medium/d%1/f%2.dat").arg(i % 16).arg(i), 128 * 1024);
    for (int i = 0; i < 2048; ++i)
        add(QStringLiteral("small/d%1/e%2/f%3.txt").arg(i % 8).arg(i % 64).arg(i), 32 * 1024);
    return total;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Elapsed time, and the process's processor time (user and system), which
// the other work on a shared machine disturbs less.
struct Span {
    double wall = 0, cpu = 0;
    Span &operator+=(const Span &o)
    {
        wall += o.wall;
        cpu += o.cpu;
        return *this;
    }
};

double cpuNow()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

class Stopwatch
{
public:
    Stopwatch() { start(); }
    void start()
    {
        wall.start();
        cpu = cpuNow();
    }
    Span elapsed() const { return {double(wall.nsecsElapsed()) / 1e9, cpuNow() - cpu}; }

private:
    QElapsedTimer wall;
    double cpu = 0;
};

double median(std::vector<Span> v, double Span::*part)
{
    std::sort(v.begin(), v.end(),
              [part](const Span &a, const Span &b) { return a.*part < b.*part; });
    return v[v.size() / 2].*part;
}

// zlib's own compress2 and uncompress at level -1 on every file of root, each
// file whole in memory. Times both zlib alone and zlib with the same reading
// and writing that the archive does: one output file, then the same tree.
struct Baseline {
    Span compress, uncompress; // zlib alone
    Span packWithFiles, unpackWithFiles;
};

Baseline zlibBaseline(const QString &root, const QString &packed, const QString &out)
{
    Baseline b;
    QStringList names;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(root).relativeFilePath(it.next());

    std::vector<std::vector<Bytef>> blocks;
    std::vector<uLong> sizes;
    Stopwatch total, t;
    QFile archive(packed);
    archive.open(QIODevice::WriteOnly);
    for (const QString &name : names) {
        const QByteArray data = readFile(root + "/" + name);
        uLongf packedSize = compressBound(uLong(data.size()));
        std::vector<Bytef> block(packedSize);
        t.start();
        compress2(block.data(), &packedSize, reinterpret_cast<const Bytef *>(data.constData()),
                  uLong(data.size()), Z_DEFAULT_COMPRESSION);
        b.compress += t.elapsed();
        block.resize(packedSize);
        archive.write(reinterpret_cast<const char *>(block.data()), qint64(packedSize));
        blocks.push_back(std::move(block));
        sizes.push_back(uLong(data.size()));
    }
    archive.close();
    b.packWithFiles = total.elapsed();

    total.start();
    std::vector<Bytef> content;
    for (size_t i = 0; i < blocks.size(); ++i) {
        uLongf size = sizes[i];
        content.resize(size + 1);
        t.start();
        uncompress(content.data(), &size, blocks[i].data(), uLong(blocks[i].size()));
        b.uncompress += t.elapsed();
        const QString path = out + "/" + names[int(i)];
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char *>(content.data()), qint64(size));
    }
    b.unpackWithFiles = total.elapsed();
    return b;
}

// Child: packs folder into archive (or does nothing) and prints its peak RSS.
int rssChild(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool ok = true;
    if (argc == 4) {
        FolderCompressor c;
        ok = c.packFolder(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    std::printf("%ld\n", ProcessMemory::peakResidentKiB());
    return ok ? 0 : 1;
}

long childRss(const QStringList &args)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), args);
    p.waitForFinished(-1);
    return p.exitCode() == 0 ? p.readAllStandardOutput().trimmed().toLong() : -1;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--rss") == 0)
        return rssChild(argc, argv);

    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 3;
    QTemporaryDir work(argc > 2 ? QString::fromLocal8Bit(argv[2]) + "/bench_archive-XXXXXX"
                                : QDir::tempPath() + "/bench_archive-XXXXXX");
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot create a work folder\n");
        return 1;
    }
    const QString tree = work.filePath("tree"), archive = work.filePath("tree.lpk");
    const qint64 total = makeTree(tree);

    std::vector<Span> zc, zu, zcFiles, zuFiles, pack, unpack;
    for (int round = 0; round < rounds; ++round) {
        const QString zlibOut = work.filePath(QStringLiteral("zlib%1").arg(round));
        const Baseline b = zlibBaseline(tree, work.filePath("zlib.bin"), zlibOut);
        QDir(zlibOut).removeRecursively();
        zc.push_back(b.compress);
        zu.push_back(b.uncompress);
        zcFiles.push_back(b.packWithFiles);
        zuFiles.push_back(b.unpackWithFiles);

        FolderCompressor compressor;
        Stopwatch t;
        if (!compressor.packFolder(tree, archive)) {
            std::fprintf(stderr, "pack failed: %s\n", qPrintable(compressor.errorString()));
            return 1;
        }
        pack.push_back(t.elapsed());
        const QString out = work.filePath(QStringLiteral("out%1").arg(round));
        t.start();
        if (!compressor.unpackArchive(archive, out)) {
            std::fprintf(stderr, "unpack failed: %s\n", qPrintable(compressor.errorString()));
            return 1;
        }
        unpack.push_back(t.elapsed());
        QDir(out).removeRecursively();
    }
    const double mib = double(total) / MiB;
    const double archiveMib = double(QFileInfo(archive).size()) / MiB;
    std::printf("tree: %.0f MiB in %d files, archive %.1f MiB; medians of %d rounds\n", mib,
                16 + 512 + 2048, archiveMib, rounds);
    for (double Span::*part : {&Span::wall, &Span::cpu}) {
        const char *clock = part == &Span::wall ? "elapsed" : "processor";
        std::printf("[%s time] pack %.0f MiB/s; zlib compress alone %.0f MiB/s, with the same "
                    "file reads and writes %.0f MiB/s\n",
                    clock, mib / median(pack, part), mib / median(zc, part),
                    mib / median(zcFiles, part));
        std::printf("[%s time] unpack %.0f MiB/s; zlib uncompress alone %.0f MiB/s, with the "
                    "same file writes %.0f MiB/s\n",
                    clock, mib / median(unpack, part), mib / median(zu, part),
                    mib / median(zuFiles, part));
    }
    std::printf("baseline: zlib's compress and uncompress of the same files at the same level; "
                "memory: 64 MiB\n");
    std::printf("pack ratio: %.3f (goal >= 0.9)\n",
                median(zc, &Span::wall) / median(pack, &Span::wall));
    std::printf("unpack ratio: %.3f (goal >= 0.9)\n",
                median(zu, &Span::wall) / median(unpack, &Span::wall));
    std::printf("pack ratio against zlib with the same file I/O: %.3f\n",
                median(zcFiles, &Span::wall) / median(pack, &Span::wall));
    std::printf("unpack ratio against zlib with the same file I/O: %.3f\n",
                median(zuFiles, &Span::wall) / median(unpack, &Span::wall));
    // Creating and writing the files costs what it costs whatever unpacks
    // them: even with decompression and writing overlapped perfectly, no
    // unpacker that writes the tree can beat zlib alone by more than this.
    std::vector<Span> writes;
    for (size_t i = 0; i < zu.size(); ++i)
        writes.push_back({zuFiles[i].wall - zu[i].wall, zuFiles[i].cpu - zu[i].cpu});
    const double zlibWall = median(zu, &Span::wall);
    const double writeWall = median(writes, &Span::wall);
    std::printf("writing the unpacked files alone: %.0f MiB/s; the best unpack ratio any unpacker "
                "writing them could reach here: %.3f with decompression and writing overlapped, "
                "%.3f one after the other\n",
                mib / writeWall, zlibWall / std::max(zlibWall, writeWall),
                zlibWall / (zlibWall + writeWall));
    QFile::remove(work.filePath("zlib.bin"));
    QDir(tree).removeRecursively();
    QFile::remove(archive);

    // One 1 GiB file, written in pieces.
    const QString big = work.filePath("big");
    {
        QDir().mkpath(big);
        QFile f(big + "/one.bin");
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        for (int i = 0; i < 64; ++i)
            f.write(content(16 * MiB, i % 2 == 0, 1000 + i));
    }
    const long idle = childRss({"--rss"});
    const long packing = childRss({"--rss", big, work.filePath("big.lpk")});
    if (idle < 0 || packing < 0) {
        std::fprintf(stderr, "the memory measurement failed\n");
        return 1;
    }
    std::printf("peak RSS packing a 1 GiB file: %.1f MiB (the same process idle: %.1f MiB)\n",
                packing / 1024.0, idle / 1024.0);
    std::printf("memory ratio: %.3f of 64 MiB (goal < 1.0)\n", packing / 1024.0 / 64.0);
    return 0;
}
