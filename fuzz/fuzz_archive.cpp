// The archive reader: the input is an archive file, unpacked into a folder
// that already holds files, a sub-folder and links leading out of it. A
// failed unpack leaves every file as it was; a good one changes exactly the
// archive's files below the destination, with the archive's contents, and
// nothing else anywhere.
#include "FuzzSupport.h"
#include "install/ArchiveIndex.h"
#include "install/FolderCompressor.h"

#include <QBuffer>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace
{
struct Node {
    char kind;        // 'f' file, 'd' folder, 'l' link
    std::string data; // a file's content or a link's target
    bool operator==(const Node &o) const { return kind == o.kind && data == o.data; }
};
using Tree = std::map<std::string, Node>;

std::string readAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path &p, const std::string &content)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), std::streamsize(content.size()));
    FUZZ_CHECK(bool(out), QString::fromStdString(p.string()));
}

// Everything below root, links not followed.
Tree snapshot(const fs::path &root)
{
    Tree tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path &p = it->path();
        const std::string rel = p.lexically_relative(root).generic_string();
        const fs::file_status st = it->symlink_status();
        if (fs::is_symlink(st))
            tree[rel] = {'l', fs::read_symlink(p).string()};
        else if (fs::is_directory(st))
            tree[rel] = {'d', {}};
        else
            tree[rel] = {'f', readAll(p)};
    }
    return tree;
}

QString describe(const Tree &tree)
{
    QString out;
    for (const auto &[path, node] : tree)
        out += QStringLiteral("%1 %2 (%3 bytes)\n")
                   .arg(QLatin1Char(node.kind))
                   .arg(QString::fromStdString(path))
                   .arg(node.data.size());
    return out;
}

void prepare(const fs::path &root, const QByteArray &archive)
{
    for (const auto &entry : fs::directory_iterator(root))
        fs::remove_all(entry.path());
    fs::create_directories(root / "outside");
    writeAll(root / "outside" / "sentinel.txt", "outside");
    fs::create_directories(root / "dest" / "sub");
    writeAll(root / "dest" / "keep.txt", "keep");
    writeAll(root / "dest" / "sub" / "old.txt", "old");
    fs::create_directory_symlink("../outside", root / "dest" / "link");
    fs::create_symlink("../outside/sentinel.txt", root / "dest" / "filelink");
    writeAll(root / "archive.lpk", archive.toStdString());
}

// What a good unpack must leave: the files before, plus each entry's
// content at its path below dest (a later entry of the same path wins).
// False when the entries cannot all be files there.
bool expectedAfter(const Tree &before, const QByteArray &archive, const ArchiveLimits &limits,
                   Tree *after)
{
    QBuffer in;
    in.setData(archive);
    in.open(QIODevice::ReadOnly);
    ArchiveIndex index;
    FUZZ_CHECK(index.scan(in, limits),
               QStringLiteral("unpacked, yet the archive does not scan: ") + index.errorString());
    *after = before;
    for (const ArchiveEntry &e : index.entries()) {
        std::string at = "dest";
        for (int i = 0; i < e.path.size(); ++i) {
            at += '/' + e.path.at(i).toStdString();
            const bool last = i == e.path.size() - 1;
            const auto found = after->find(at);
            if (!last) {
                if (found != after->end() && found->second.kind != 'd')
                    return false;
                (*after)[at] = {'d', {}};
                continue;
            }
            if (found != after->end() && found->second.kind != 'f')
                return false;
            const bool empty = e.blockLength == 0 || e.blockLength == 0xFFFFFFFFu;
            const QByteArray content =
                empty ? QByteArray()
                      : qUncompress(archive.mid(int(e.blockOffset), int(e.blockLength)));
            FUZZ_CHECK(quint64(content.size()) == e.size, QString::fromStdString(at));
            (*after)[at] = {'f', content.toStdString()};
        }
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray archive(reinterpret_cast<const char *>(data), int(size));
    const fs::path root = Fuzz::workFolder().toStdString();
    prepare(root, archive);
    const Tree before = snapshot(root);

    ArchiveLimits limits;
    limits.maxTotalSize = 1 << 20; // keeps each run quick; the checks are the same
    limits.expansionAllowance = 4096; // so that small inputs meet the ratio too
    FolderCompressor compressor;
    compressor.setLimits(limits);
    const bool unpacked =
        compressor.unpackArchive(QString::fromStdString((root / "archive.lpk").string()),
                                 QString::fromStdString((root / "dest").string()));
    const Tree after = snapshot(root);

    if (!unpacked) {
        FUZZ_CHECK(!compressor.errorString().isEmpty(), QString());
        FUZZ_CHECK(after == before, compressor.errorString() + QLatin1String("\nbefore:\n") +
                                        describe(before) + QLatin1String("after:\n") +
                                        describe(after));
        return 0;
    }
    Tree expected;
    FUZZ_CHECK(expectedAfter(before, archive, limits, &expected),
               QLatin1String("unpacked over a link, a folder or a file's path:\n") +
                   describe(after));
    FUZZ_CHECK(after == expected, QLatin1String("expected:\n") + describe(expected) +
                                      QLatin1String("found:\n") + describe(after));
    return 0;
}
