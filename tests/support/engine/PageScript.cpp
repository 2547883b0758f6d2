#include "PageScript.h"

#include "TestShell.h"
#include "shell/AppView.h"
#include "web/WebKitAppView.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QWebFrame>
#include <memory>

QVariant PageScript::run(AppView *view, const QString &script, int timeoutMs)
{
    if (QWebFrame *frame = WebKitAppView::frameOf(view))
        return frame->evaluateJavaScript(script);
    auto *engine = view ? qobject_cast<QWebEngineView *>(view->widget()) : nullptr;
    if (!engine)
        return QVariant();
    // The answer may come after the wait has given up: it then goes nowhere.
    auto answer = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    engine->page()->runJavaScript(script, [answer](const QVariant &result) {
        answer->first = true;
        answer->second = result;
    });
    TestUtil::waitFor([answer] { return answer->first; }, timeoutMs);
    return answer->second;
}

QString PageScript::textOf(AppView *view, const QString &id)
{
    return run(view, QStringLiteral("(function () { var e = document.getElementById('%1');"
                                    " return e ? e.textContent : null; })()")
                         .arg(id))
        .toString();
}

QWidget *PageScript::keyTarget(AppView *view)
{
    QWidget *widget = view->widget();
    return widget->focusProxy() ? widget->focusProxy() : widget;
}

bool PageScript::documentComplete(AppView *view, int timeoutMs)
{
    QPointer<AppView> alive(view);
    return TestUtil::waitFor(
        [alive] {
            return alive && !alive->url().isEmpty() && !alive->isLoading() &&
                   run(alive, QStringLiteral("document.readyState")).toString() ==
                       QLatin1String("complete");
        },
        timeoutMs);
}

bool PageScript::storageInUse(const QString &name)
{
    for (const QWebEngineProfile *profile : qApp->findChildren<QWebEngineProfile *>()) {
        const QString storage = profile->storageName();
        if (name.isEmpty() ? !storage.isEmpty() : storage == name)
            return true;
    }
    return false;
}
