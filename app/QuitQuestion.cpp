#include "app/QuitQuestion.h"

#include "shell/Messages.h"

QStringList QuitQuestion::details(int openApps, int downloads)
{
    QStringList lines;
    if (openApps == 1)
        lines << QStringLiteral("1 app is open and will close.");
    else if (openApps > 1)
        lines << QStringLiteral("%1 apps are open and will close.").arg(openApps);
    if (downloads == 1)
        lines << QStringLiteral("1 download is under way and will be cancelled.");
    else if (downloads > 1)
        lines << QStringLiteral("%1 downloads are under way and will be cancelled.").arg(downloads);
    return lines;
}

bool QuitQuestion::agreed(int openApps, int downloads)
{
    if (openApps <= 0 && downloads <= 0)
        return true;
    // Alt+Q quits from the keyboard; Return and Escape keep running.
    return Messages::ask(QStringLiteral("Quit Vantara?"), details(openApps, downloads),
                         QStringLiteral("&Quit"), QStringLiteral("&Keep running"));
}
