#pragma once

#include <QString>

// An app's icon.png, checked against ImageBounds before anything decodes it:
// the grid, the taskbar's tab and the error page show only an icon within
// the bounds, and one larger than the grid needs is scaled once, in place.
class AppIcon
{
public:
    enum class State {
        Missing, // no file: the grid shows the placeholder
        Unknown, // no size in its header: no picture the page could decode
        Fits,
        Large,   // within the bounds, larger than the grid needs
        TooLarge // beyond the bounds: never decoded, the placeholder instead
    };

    // The icon.png of the app folder.
    static QString pathIn(const QString &appFolder);
    static State check(const QString &path);

    // Whether the page may be given the icon at path: all but one beyond the
    // bounds (one it cannot decode only fails to show).
    static bool mayShow(const QString &path) { return check(path) != State::TooLarge; }

    // Makes an icon ready for the grid and tells whether the page may show
    // it: a Large one is written again, scaled to fit ImageBounds::iconSide,
    // as a PNG replacing the file in one step. When that cannot be done (a
    // linked icon, whose picture belongs elsewhere, a folder that is not
    // writable) the file stays as it was and is shown as it is. A file
    // beyond the bounds stays too: it is the user's, only never decoded.
    static bool prepare(const QString &path);

    // After an installation: prepares the icon of the app called name and
    // returns what the home page's createwebapp shows, the icon's path, or
    // nothing when there is none or the page must not decode it (the tile
    // shows the initial).
    static QString forNewTile(const QString &appsFolder, const QString &name);
};
