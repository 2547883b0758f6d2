#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

// The desktop's view of the shell as a media player (org.mpris.MediaPlayer2):
// its name, and that it neither quits nor raises on the desktop's say.
class MprisRoot : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ no)
    Q_PROPERTY(bool CanRaise READ no)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ identity)
    Q_PROPERTY(QStringList SupportedUriSchemes READ schemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ types)

public:
    explicit MprisRoot(QObject *parent) : QDBusAbstractAdaptor(parent) {}

    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Vantara"); }
    QStringList schemes() const { return {QStringLiteral("file")}; }
    QStringList types() const { return {QStringLiteral("audio/mpeg")}; }

public slots:
    void Raise() {}
    void Quit() {}
};
