#include "apps/AppSession.h"

#include "shell/AppFolderName.h"
#include "shell/BoundedXml.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "shell/ShellSettings.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStackedWidget>
#include <QWebView>
#include <QXmlStreamWriter>

namespace
{
const char *const appProperty = "vantaraApp";
const char *const rootName = "vantara-session";
// Far more pages than anyone keeps open; a longer list is not ours.
constexpr int maxApps = 200;

QByteArray readSmall(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > BoundedXml::maxBytes)
        return QByteArray();
    return file.readAll();
}
} // namespace

AppSession::AppSession(ShellHost &shellHost, QObject *parent) : QObject(parent), host(shellHost)
{
    host.mainWindow()->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppSession::save);
    connect(host.homeView(), &QWebView::loadFinished, this, &AppSession::restore);
}

void AppSession::markPage(QWidget *page, const QString &name)
{
    page->setProperty(appProperty, name);
}

QString AppSession::appOf(const QWidget *page)
{
    return page ? page->property(appProperty).toString() : QString();
}

AppSession::State AppSession::current() const
{
    State state;
    const QStackedWidget *stack = host.stack();
    for (int i = 0; i < stack->count(); ++i) {
        const QString name = appOf(stack->widget(i));
        if (name.isEmpty())
            continue;
        // Hidden means the home screen is in front, whether or not the
        // window itself is still shown.
        if (i == stack->currentIndex() && !stack->isHidden())
            state.top = state.apps.size();
        state.apps.append(name);
    }
    return state;
}

bool AppSession::save() const
{
    if (!isEnabled(host.paths()))
        return false;
    QSaveFile file(host.paths().sessionFile());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(serialize(current()));
    return file.commit();
}

void AppSession::restore(bool loaded)
{
    // Once per start: the home page loads again only when something made
    // it, and the apps are open by then.
    if (restored || !loaded)
        return;
    restored = true;
    if (!isEnabled(host.paths()))
        return;
    const State saved = read(host.paths().sessionFile());
    QWebFrame *frame = host.homeFrame();
    int top = -1;
    int opened = 0;
    for (int i = 0; i < saved.apps.size(); ++i) {
        const QString &name = saved.apps.at(i);
        if (name.isEmpty())
            continue;
        const QString descriptor = host.appsFolder() + QLatin1Char('/') + name + "/app.con";
        if (!QFileInfo(descriptor).isFile())
            continue;
        ScriptCall::run(frame, QStringLiteral("openit"), {name, "web", name});
        if (i == saved.top)
            top = opened;
        ++opened;
    }
    if (opened > 0)
        ScriptCall::run(frame, QStringLiteral("showTab"), {top});
}

bool AppSession::isEnabled(const ShellPaths &paths)
{
    return ShellSettings::read(paths).restoreApps;
}

AppSession::State AppSession::read(const QString &file)
{
    State state;
    QDomDocument doc;
    if (!BoundedXml::parse(readSmall(file), doc) || doc.documentElement().tagName() != rootName)
        return state;
    const QDomElement root = doc.documentElement();
    for (QDomElement e = root.firstChildElement("app"); !e.isNull() && state.apps.size() < maxApps;
         e = e.nextSiblingElement("app")) {
        const QString name = e.attribute("name");
        // A name that would leave the Apps folder is skipped like a gone app.
        if (AppFolder::isSafeName(name))
            state.apps.append(name);
        else
            state.apps.append(QString());
    }
    bool ok = false;
    const int top = root.attribute("top").toInt(&ok);
    state.top = ok && top >= 0 && top < state.apps.size() ? top : -1;
    return state;
}

QByteArray AppSession::serialize(const State &state)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeStartElement(rootName);
    xml.writeAttribute("top", QString::number(state.top));
    for (const QString &name : state.apps) {
        xml.writeEmptyElement("app");
        xml.writeAttribute("name", name);
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

bool AppSession::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && watched == host.mainWindow())
        save();
    return QObject::eventFilter(watched, event);
}
