#include "webengine/EngineProfiles.h"

#include "web/WebPage.h"
#include "webengine/EngineCookies.h"
#include "webengine/EngineNotifications.h"
#include "webengine/PermissionAnswers.h"
#include "webengine/RequestGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace
{
const char usersProperty[] = "vantaraPages";
const char folderProperty[] = "vantaraFolder";

QHash<QString, QPointer<QWebEngineProfile>> &profiles()
{
    static QHash<QString, QPointer<QWebEngineProfile>> all;
    return all;
}

void configure(QWebEngineSettings *s)
{
    for (QWebEngineSettings::WebAttribute on :
         {QWebEngineSettings::JavascriptEnabled, QWebEngineSettings::JavascriptCanOpenWindows,
          QWebEngineSettings::LocalStorageEnabled, QWebEngineSettings::WebGLEnabled,
          QWebEngineSettings::Accelerated2dCanvasEnabled,
          // Each page's request is answered by the user (webengine/EnginePage).
          QWebEngineSettings::FullScreenSupportEnabled, QWebEngineSettings::ScreenCaptureEnabled})
        s->setAttribute(on, true);
    // A remote page reaches no local file; failed loads show our own page;
    // nothing runs that QtWebKit's pages could not.
    for (QWebEngineSettings::WebAttribute off :
         {QWebEngineSettings::LocalContentCanAccessFileUrls,
          QWebEngineSettings::LocalContentCanAccessRemoteUrls, QWebEngineSettings::ErrorPageEnabled,
          QWebEngineSettings::PluginsEnabled, QWebEngineSettings::AllowRunningInsecureContent,
          QWebEngineSettings::JavascriptCanAccessClipboard,
          QWebEngineSettings::AllowWindowActivationFromJavaScript})
        s->setAttribute(off, false);
}

QWebEngineProfile *make(const QString &folder, bool mobileRequests, const QString &cookieFile)
{
    QDir().mkpath(folder);
    // Named after its folder, never empty: an unnamed profile is off the record.
    auto *profile = new QWebEngineProfile(QDir(folder).dirName(), qApp);
    profile->setProperty(folderProperty, folder);
    profile->setPersistentStoragePath(folder);
    profile->setCachePath(folder + QStringLiteral("/Cache"));
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    // The cookie file is the one place cookies are kept: a database of the
    // profile's own beside it could only drift from it.
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    // Script reads the desktop agent; the guard may put the mobile one on
    // the requests.
    profile->setHttpUserAgent(WebPage::userAgent());
    profile->setUrlRequestInterceptor(new RequestGuard(mobileRequests, profile));
    configure(profile->settings());
    EngineCookies::keep(profile, cookieFile);
    new PermissionAnswers(folder + QStringLiteral(".permissions"), profile);
    EngineNotifications::present(profile);
    return profile;
}

int users(const QWebEngineProfile *profile)
{
    return profile->property(usersProperty).toInt();
}
} // namespace

QWebEngineProfile *EngineProfiles::forFolder(const QString &folder, bool mobileRequests,
                                             const QString &cookieFile)
{
    QPointer<QWebEngineProfile> &entry = profiles()[QDir::cleanPath(folder)];
    if (!entry)
        entry = make(QDir::cleanPath(folder), mobileRequests, cookieFile);
    return entry;
}

PermissionAnswers *EngineProfiles::permissionsOf(const QWebEngineProfile *profile)
{
    return profile->findChild<PermissionAnswers *>(QString(), Qt::FindDirectChildrenOnly);
}

void EngineProfiles::attach(QWebEngineProfile *profile, QObject *page)
{
    profile->setProperty(usersProperty, users(profile) + 1);
    QPointer<QWebEngineProfile> guarded(profile);
    QObject::connect(page, &QObject::destroyed, qApp, [guarded] {
        if (!guarded)
            return;
        guarded->setProperty(usersProperty, users(guarded) - 1);
        // Later, once the page is wholly gone, and only if no page took the
        // profile up again meanwhile.
        QTimer::singleShot(0, qApp, [guarded] {
            if (!guarded || users(guarded) > 0)
                return;
            profiles().remove(guarded->property(folderProperty).toString());
            EngineCookies::release(guarded);
            delete guarded.data();
        });
    });
}
