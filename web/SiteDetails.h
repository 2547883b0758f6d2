#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>

// What a web page says about itself for an icon on the home screen: its
// title, its manifest's address, its touch icons and favicons as the page
// links them, and, once read, the manifest's name and icons. Everything here
// comes from the page or its server and is checked: links are http or https
// and bounded in length and number, names are cut and made fit for a folder.
class SiteDetails
{
public:
    struct Icon {
        QUrl url;
        int side; // the largest of its declared sizes; 0 when it declares none
    };

    // Reads the page's links; its result is what fromPage takes. title: the
    // view's, for a result that gives none.
    static QString script();
    static SiteDetails fromPage(const QVariant &scriptResult, const QUrl &page,
                                const QString &title);

    // A manifest larger than this is not read.
    static constexpr int maxManifestBytes = 64 * 1024;
    static constexpr int maxLinks = 32;
    static constexpr int maxNameLength = 60;
    // Icons up to this side are preferred, the largest first; beyond it the
    // smallest is taken.
    static constexpr int preferredIconSide = 1024;

    // Takes the manifest's name and icons; false (and nothing taken) when it
    // is not a JSON object or is too large.
    bool readManifest(const QByteArray &json, const QUrl &manifestAddress);

    QUrl manifest() const { return manifestUrl; }
    // The manifest's short name or name, else the title, else the host.
    QString proposedName() const;
    // The manifest's best icon, else the best touch icon, else the best
    // favicon, else the site's /favicon.ico.
    QUrl iconAddress() const;

    // raw without what a folder name cannot hold (path separators, colons,
    // control characters) and without characters beyond the basic plane
    // (so no cut splits one), blanks simplified, cut to maxNameLength; empty
    // when nothing usable is left.
    static QString fittedName(const QString &raw);
    // The largest side of an icon's sizes ("48x48 192x192"); 0 for none.
    static int sideOf(const QString &sizes);
    static QUrl best(const QList<Icon> &icons);

private:
    QUrl pageUrl;
    QString title;
    QUrl manifestUrl;
    QList<Icon> touchIcons;
    QList<Icon> favicons;
    QString manifestName;
    QList<Icon> manifestIcons;
};
