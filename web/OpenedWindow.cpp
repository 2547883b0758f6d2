#include "web/OpenedWindow.h"

#include "shell/AppView.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QStackedWidget>
#include <QWidget>

void OpenedWindow::show(ShellHost &shell, AppView *view)
{
    QWidget *widget = view->widget();
    shell.stack()->addWidget(widget);
    shell.stack()->setCurrentWidget(widget);
    widget->setAttribute(Qt::WA_QuitOnClose);
    shell.follow(view);
    ScriptCall::run(shell.homeFrame(), QStringLiteral("createTab"), {"New..."});
}
