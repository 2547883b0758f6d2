#include "shell/PageKind.h"

#include <QString>
#include <QWidget>

QString PageNames::mailPanel()
{
    return QStringLiteral("Mail");
}

QString PageNames::musicApp()
{
    return QStringLiteral("Music.map");
}

QString PageNames::trackDisplay()
{
    return QStringLiteral("Music");
}

PageKind kindOf(const QWidget *page)
{
    if (!page)
        return PageKind::None;
    const QString name = page->objectName();
    if (name == PageNames::mailPanel())
        return PageKind::MailPanel;
    if (name == PageNames::musicApp())
        return PageKind::MusicApp;
    if (name == PageNames::trackDisplay())
        return PageKind::TrackDisplay;
    return PageKind::Other;
}
