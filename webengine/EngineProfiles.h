#pragma once

#include <QString>

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
// Counts page as a user of profile; a profile no page uses goes.
void attach(QWebEngineProfile *profile, QObject *page);
} // namespace EngineProfiles
