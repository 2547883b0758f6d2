#pragma once

#include <QString>

class PermissionAnswers;
class QObject;
class QWebEngineProfile;

// One QtWebEngine profile per storage folder, kept while pages use it: the
// views of one app (and the windows they open) share their storage, apps
// never share theirs. Every profile stores to disk, none is off the record;
// its cookies are kept in the per-site cookie file (webengine/EngineCookies).
namespace EngineProfiles
{
// The profile of folder, made on first use; mobileRequests and cookieFile
// (absolute; empty: cookies in memory only) count when it is made (see
// EngineViewSetup).
QWebEngineProfile *forFolder(const QString &folder, bool mobileRequests, const QString &cookieFile);
// What the user answered to the permission requests of profile's pages,
// kept beside its folder.
PermissionAnswers *permissionsOf(const QWebEngineProfile *profile);
// Counts page (or a download) as a user of profile; a profile nothing uses goes.
void attach(QWebEngineProfile *profile, QObject *page);
} // namespace EngineProfiles
