#pragma once

#include <QString>
#include <QVariant>

class AppView;
class QWidget;

// Script in a page of either engine, for tests that look into pages. Tests
// using it link QtWebEngine themselves, where the shell loads it on first use.
namespace PageScript
{
// The result of script in view's main frame; an invalid value when there is
// none within timeoutMs (QtWebEngine answers from its renderer).
QVariant run(AppView *view, const QString &script, int timeoutMs = 10000);
// The text of the element with id in view's page.
QString textOf(AppView *view, const QString &id);
// The widget that takes view's keys (QtWebEngine's is inside its view).
QWidget *keyTarget(AppView *view);
// Whether QtWebEngine still keeps the storage folder called name open (a
// profile of the shell's): it goes from the event loop once no page or
// download uses it. An empty name: any of the shell's.
bool storageInUse(const QString &name = QString());
// Waits until view shows a document whose loading has completed.
bool documentComplete(AppView *view, int timeoutMs = 20000);
} // namespace PageScript
