#pragma once

#include <QObject>
#include <QString>

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
    // The address of the home page's own wallpaper at the screen's size;
    // empty when no copy can be made (the page keeps its own then).
    QString defaultWallpaperAddress() const;
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
    ShellHost &host;
    QString chosenWallpaper; // the last name that Wallpaper could show
};
