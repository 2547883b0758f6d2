#pragma once

class QString;
class QWidget;

// What a page of the stack is, told by its object name. The names are the
// ones pages and the home page already use: an app is named after its
// folder, the mail panel "Mail".
enum class PageKind {
    None,         // no page
    MailPanel,    // the mail panel ("Mail"), a widget holding two web views
    MusicApp,     // the dock's music app ("Music.map"), which keeps its plug-ins to the end
    TrackDisplay, // a page named "Music", which shows the playing track itself
    Other,
};

namespace PageNames
{
// The object name of the mail panel.
QString mailPanel();
// The object name of the dock's music app (its folder in Apps).
QString musicApp();
// The object name of a page that the player leaves alone.
QString trackDisplay();
} // namespace PageNames

PageKind kindOf(const QWidget *page);
