// The cookie file loader: the input's first line names a jar, the rest is
// its cookie file. The name never leads out of the working folder, loading
// keeps exactly the file's live cookies, and a saved file loads back whole.
#include "FuzzSupport.h"
#include "web/CookieStore.h"
#include "web/NetworkCookieJar.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{
QString rawForms(const QList<QNetworkCookie> &cookies)
{
    QString out;
    for (const QNetworkCookie &c : cookies)
        out += QString::fromLatin1(c.toRawForm(QNetworkCookie::Full).toPercentEncoding(" =;,\"")) +
               QLatin1Char('\n');
    return out;
}

// The same cookies in the same order. An expiry that Max-Age sets counts from
// the moment of reading, so two readings may differ by a few seconds there,
// and a cookie that was about to expire may be missing from the later one.
bool sameCookies(const QList<QNetworkCookie> &a, const QList<QNetworkCookie> &b)
{
    const QDateTime soon = QDateTime::currentDateTimeUtc().addSecs(10);
    const auto expiring = [&soon](const QNetworkCookie &c) {
        return !c.isSessionCookie() && c.expirationDate() < soon;
    };
    const auto same = [](const QNetworkCookie &x, QNetworkCookie y) {
        if (!x.isSessionCookie() && !y.isSessionCookie() &&
            qAbs(x.expirationDate().secsTo(y.expirationDate())) <= 10)
            y.setExpirationDate(x.expirationDate());
        return x == y;
    };
    int i = 0;
    int j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && same(a.at(i), b.at(j))) {
            ++i;
            ++j;
        } else if (i < a.size() && expiring(a.at(i))) {
            ++i;
        } else if (j < b.size() && expiring(b.at(j))) {
            ++j;
        } else {
            return false;
        }
    }
    return true;
}

bool writeFile(const QString &name, const QByteArray &content)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Jars keep their files in the working folder.
    static const bool inWorkFolder = QDir::setCurrent(Fuzz::workFolder());
    FUZZ_CHECK(inWorkFolder, Fuzz::workFolder());
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const int newline = bytes.indexOf('\n');
    const QString name = QString::fromUtf8(bytes.left(newline < 0 ? bytes.size() : newline));
    const QByteArray content = newline < 0 ? QByteArray() : bytes.mid(newline + 1);
    const QDir here = QDir::current();

    const QString fileName = NetworkCookieJar::fileNameFor(name);
    if (!fileName.isEmpty()) {
        const QFileInfo file(here.filePath(fileName));
        FUZZ_CHECK(file.absolutePath() == here.absolutePath() && file.fileName() == fileName &&
                       fileName != QLatin1String(".") && fileName != QLatin1String(".."),
                   name + QLatin1String(" -> ") + fileName);
    }
    const QString stored = fileName.isEmpty() ? QStringLiteral("jar") : fileName;
    FUZZ_CHECK(writeFile(stored, content), stored);

    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        // A file that is not all cookie lines is not the store's: it loads
        // nothing from it and never writes it.
        const bool cookieFile = CookieStore::isCookieFile(content);
        const QList<QNetworkCookie> expected =
            cookieFile ? CookieStore::parseFile(content) : QList<QNetworkCookie>();
        for (const QNetworkCookie &c : expected)
            FUZZ_CHECK(c.isSessionCookie() || c.expirationDate() > now, rawForms({c}));

        // A jar made from the name loads its file; one made without a file
        // name keeps nothing.
        NetworkCookieJar jar(name, here.absolutePath());
        const QSharedPointer<CookieStore> store = CookieStore::forFile(stored);
        if (!fileName.isEmpty()) {
            FUZZ_CHECK(jar.filePath() == store->filePath(), name);
            FUZZ_CHECK(sameCookies(jar.cookies(), expected), rawForms(jar.cookies()) +
                                                                 QLatin1String("---expected---\n") +
                                                                 rawForms(expected));
        } else {
            FUZZ_CHECK(jar.filePath().isEmpty() && jar.cookies().isEmpty(), name);
        }
        FUZZ_CHECK(sameCookies(store->cookies(), expected), rawForms(store->cookies()) +
                                                                QLatin1String("---expected---\n") +
                                                                rawForms(expected));

        if (!cookieFile) {
            FUZZ_CHECK(!store->persists() && !store->save(), stored);
            FUZZ_CHECK(readFile(stored) == content, stored);
            QFile::remove(stored);
            return 0;
        }
        // What is saved loads back as the same cookies, readable by the
        // owner only, with no working file left behind.
        FUZZ_CHECK(store->save(), stored);
        QFile saved(stored);
        FUZZ_CHECK(saved.open(QIODevice::ReadOnly), stored);
        const QByteArray again = saved.readAll();
        FUZZ_CHECK(sameCookies(CookieStore::parseFile(again), store->cookies()),
                   QString::fromUtf8(content) + QLatin1String("\n---saved---\n") +
                       QString::fromUtf8(again));
        FUZZ_CHECK(saved.permissions() == (QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadUser | QFileDevice::WriteUser),
                   stored);
        FUZZ_CHECK(here.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot) ==
                       QStringList{stored},
                   here.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                       .join(QLatin1Char(' ')));
    }
    QFile::remove(stored);
    return 0;
}
