#include "shell/ScriptBridge.h"

#include "shell/Addresses.h"
#include "shell/ResolvedPath.h"

#include <QUrl>
#include <QVariant>
#include <QWebFrame>
#include <QWebPage>

namespace
{
const char appFolderProperty[] = "vantaraAppFolder";
} // namespace

bool ScriptBridge::isBundledPage(const QUrl &url, const QString &path)
{
    return url.scheme() == QLatin1String("qrc") && url.host().isEmpty() &&
           url.userInfo().isEmpty() && !url.hasQuery() && url.path() == path;
}

bool ScriptBridge::isHomePage(const QUrl &url)
{
    return isBundledPage(url, QStringLiteral("/Lumo.html"));
}

bool ScriptBridge::isTrustedWebAddress(const QUrl &url)
{
    const QString trusted = QStringLiteral(VANTARA_TRUSTED_HOST).toLower();
    if (!url.isValid() || url.scheme() != QLatin1String("https") || trusted.isEmpty())
        return false;
    if (url.port(443) != 443 || !url.userInfo().isEmpty())
        return false;
    const QString host = url.host().toLower();
    return host == trusted || host.endsWith(QLatin1Char('.') + trusted);
}

bool ScriptBridge::isInsideFolder(const QUrl &url, const QString &folder)
{
    if (!url.isLocalFile() || folder.isEmpty())
        return false;
    return ResolvedPath::isInside(url.toLocalFile(), folder);
}

void ScriptBridge::markAppFolder(QObject *page, const QString &folder)
{
    if (page)
        page->setProperty(appFolderProperty, folder);
}

bool ScriptBridge::mayUseApi(QWebFrame *frame)
{
    if (!frame || !frame->page() || frame != frame->page()->mainFrame())
        return false;
    const QUrl url = frame->url();
    if (isTrustedWebAddress(url))
        return true;
    const QString folder = frame->page()->property(appFolderProperty).toString();
    return isInsideFolder(url, folder);
}

bool ScriptBridge::place(QWebFrame *frame, QObject *shell, const QString &name, bool allowed)
{
    if (frame && allowed)
        frame->addToJavaScriptWindowObject(name, shell);
    return frame && allowed;
}
