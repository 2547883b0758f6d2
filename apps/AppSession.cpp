#include "apps/AppSession.h"

#include "shell/Addresses.h"
#include "shell/AppFolderName.h"
#include "shell/AppIcon.h"
#include "shell/AppView.h"
#include "shell/BoundedXml.h"
#include "shell/EngineChoice.h"
#include "shell/OpenApps.h"
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
#include <QTimer>
#include <QWebView>
#include <QXmlStreamWriter>

namespace
{
const char *const appProperty = "vantaraApp";
const char *const kindProperty = "vantaraAppKind";
const char *const waitingProperty = "vantaraWaitingAddress";
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

// Older files have no kind: every entry was an app.
QString kindName(AppSession::Kind kind)
{
    switch (kind) {
    case AppSession::Kind::Browser:
        return QStringLiteral("browser");
    case AppSession::Kind::Mail:
        return QStringLiteral("mail");
    case AppSession::Kind::App:
        break;
    }
    return QString();
}

AppSession::Kind kindNamed(const QString &name)
{
    if (name == QLatin1String("browser"))
        return AppSession::Kind::Browser;
    if (name == QLatin1String("mail"))
        return AppSession::Kind::Mail;
    return AppSession::Kind::App;
}
} // namespace

AppSession::AppSession(ShellHost &shellHost, QObject *parent) : QObject(parent), host(shellHost)
{
    host.mainWindow()->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppSession::save);
    connect(host.homeView(), &QWebView::loadFinished, this, &AppSession::restore);
    // A waiting page starts once it is in front: by its tab, a key, a close
    // that uncovers it or the home page bringing its app forward.
    connect(host.stack(), &QStackedWidget::currentChanged, this, &AppSession::startSoon);
    host.stack()->installEventFilter(this);
}

void AppSession::setOpener(Opener open)
{
    opener = std::move(open);
}

void AppSession::markPage(QWidget *page, const QString &name, Kind kind)
{
    if (!page)
        return;
    page->setProperty(appProperty, name);
    page->setProperty(kindProperty, kindName(kind));
}

bool AppSession::isWaiting(const QWidget *page)
{
    return page && page->property(waitingProperty).isValid();
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
        const QWidget *page = stack->widget(i);
        Entry entry;
        entry.name = appOf(page);
        if (entry.name.isEmpty())
            continue;
        entry.kind = kindNamed(page->property(kindProperty).toString());
        if (entry.kind == Kind::Browser) {
            const AppView *view = AppView::of(page);
            entry.address = isWaiting(page) ? page->property(waitingProperty).toString()
                            : view          ? view->url().toString()
                                            : QString();
        }
        // Hidden means the home screen is in front, whether or not the
        // window itself is still shown.
        if (i == stack->currentIndex() && !stack->isHidden())
            state.top = state.apps.size();
        state.apps.append(entry);
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
    State saved = read(host.paths().sessionFile());
    QWebFrame *frame = host.homeFrame();
    QStackedWidget *stack = host.stack();
    int top = -1;
    int opened = 0;
    for (int i = 0; i < saved.apps.size(); ++i) {
        Entry &entry = saved.apps[i];
        if (!mayReopen(entry))
            continue;
        // Only the page in front loads now: pages that start together
        // answer each other's calls (a listing goes to the page on top).
        stack->addWidget(waitingPage(entry));
        const QString icon = host.programFolder() + QStringLiteral("//Apps//") + entry.name +
                             QStringLiteral("//icon.png");
        const bool ownIcon = entry.kind == Kind::App && AppIcon::mayShow(icon);
        ScriptCall::run(frame, QStringLiteral("restoreTab"),
                        {entry.name, ownIcon ? QStringLiteral("file:///") + icon : QString()});
        if (i == saved.top)
            top = opened;
        ++opened;
    }
    if (opened > 0)
        ScriptCall::run(frame, QStringLiteral("showTab"), {top});
}

bool AppSession::mayReopen(Entry &entry) const
{
    if (entry.name.isEmpty())
        return false;
    switch (entry.kind) {
    case Kind::Mail:
        return true;
    case Kind::Browser:
        // Only a web address: the file is the user's, but what it names is
        // loaded into a page.
        if (!EngineChoice::isWebAddress(entry.address))
            entry.address = QStringLiteral(VANTARA_DEFAULT_START_PAGE);
        return true;
    case Kind::App:
        break;
    }
    const QString descriptor = host.appsFolder() + QLatin1Char('/') + entry.name + "/app.con";
    return QFileInfo(descriptor).isFile();
}

QWidget *AppSession::waitingPage(const Entry &entry)
{
    auto *page = new QWidget;
    page->setGeometry(host.stack()->geometry());
    markPage(page, entry.name, entry.kind);
    OpenApps::mark(page, entry.name);
    page->setProperty(waitingProperty, entry.address);
    return page;
}

void AppSession::startSoon()
{
    // After the home page's script that made the change has run to its end
    // (it selects the tab, then switches), and once per turn.
    if (startPending)
        return;
    startPending = true;
    QTimer::singleShot(0, this, [this] {
        startPending = false;
        startShownPage();
    });
}

void AppSession::startShownPage()
{
    QStackedWidget *stack = host.stack();
    QWidget *waiting = stack->currentWidget();
    if (starting || !opener || stack->isHidden() || !isWaiting(waiting))
        return;
    starting = true;
    Entry entry;
    entry.name = appOf(waiting);
    entry.kind = kindNamed(waiting->property(kindProperty).toString());
    entry.address = waiting->property(waitingProperty).toString();
    const int index = stack->indexOf(waiting);
    QWidget *page = opener(entry);
    starting = false;
    // Nothing came up: the tab stays, and showing it again tries again.
    if (!page || page == waiting || stack->indexOf(page) < 0)
        return;
    // The new page takes the waiting page's place, and with it its tab.
    stack->removeWidget(page);
    stack->removeWidget(waiting);
    waiting->deleteLater();
    stack->insertWidget(index, page);
    stack->setCurrentWidget(page);
    page->setFocus();
    ScriptCall::run(host.homeFrame(), QStringLiteral("showTabIcons"), {});
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
        Entry entry;
        entry.name = e.attribute("name");
        entry.kind = kindNamed(e.attribute("kind"));
        entry.address = e.attribute("address");
        // A name that would leave the Apps folder is skipped like a gone app.
        if (!AppFolder::isSafeName(entry.name))
            entry.name.clear();
        state.apps.append(entry);
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
    for (const Entry &entry : state.apps) {
        xml.writeEmptyElement("app");
        xml.writeAttribute("name", entry.name);
        if (entry.kind != Kind::App)
            xml.writeAttribute("kind", kindName(entry.kind));
        if (entry.kind == Kind::Browser)
            xml.writeAttribute("address", entry.address);
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

bool AppSession::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && watched == host.mainWindow())
        save();
    if (event->type() == QEvent::Show && watched == host.stack())
        startSoon();
    return QObject::eventFilter(watched, event);
}
