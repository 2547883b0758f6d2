#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class ShellHost;

// The small services that pages ask of the shell: the home screen's
// wallpaper, back and forward in the page on top, and remote messages.
class PageServices : public QObject
{
    Q_OBJECT

public:
    PageServices(ShellHost &host, QObject *parent = nullptr);

    // Makes the image file name (in the program folder) the home screen's
    // background through the home page's ChangeWall.
    void wallpaper(const QString &name);
    // The image address that ChangeWall receives for name: a copy at the
    // screen's size in the working folder's cache (the file itself when it is
    // no picture); empty when name does not stay inside the program folder or
    // the picture announces a size beyond ImageBounds::wallpaper (the home
    // page keeps the wallpaper it shows).
    QString wallpaperAddress(const QString &name) const;
    // The address of the wallpaper settings.xml keeps (a picture of the
    // Pictures folder), else of the home page's own, at the screen's size;
    // empty when no copy can be made (the page keeps its own then).
    QString defaultWallpaperAddress() const;
    // The pictures of the Pictures folder a wallpaper can be chosen from, by
    // name.
    QStringList pictures() const;
    // Shows the picture called name of the Pictures folder on the home
    // screen and keeps it in settings.xml (an empty name: the page's own
    // again). Empty when done, else why not, and nothing changed.
    QString choosePicture(const QString &name);
    // The screen changed size: the home page shows its wallpaper, the one
    // chosen or its own, from a copy at the new size.
    void screenChanged();

    // "back" goes back in the app page on top, anything else forward; nothing
    // while the mail panel (or no web page) is on top.
    void history(const QString &direction);

    // Fetches address once; the finished reply goes to the bridge's
    // onResult(QNetworkReply*).
    void notify(const QString &address);

private:
    // The copy at the screen's size of the picture called name in the
    // Pictures folder; empty when it is no picture, too large or elsewhere.
    QString pictureAddress(const QString &name) const;

    ShellHost &host;
    QString chosenWallpaper;         // the last name that Wallpaper could show
    bool pictureInBodyStyle = false; // choosePicture has shown one
};
