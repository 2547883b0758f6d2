#pragma once

#include <QDBusAbstractAdaptor>
#include <QVariantMap>

class MusicPlayer;

// The music player as the desktop's media keys and applets see it
// (org.mpris.MediaPlayer2.Player): its controls act as the status bar's and
// the media keys' do; positions are in microseconds, as the interface has them.
class MprisPlayer : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double Rate READ one)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ yes)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)

public:
    MprisPlayer(MusicPlayer &player, QObject *parent);

    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong position() const;
    double one() const { return 1.0; }
    bool yes() const { return true; }
    bool no() const { return false; }

    // What changed goes to the bus as PropertiesChanged, path being where
    // this adaptor's object is registered.
    static QVariantMap changedProperties(const QVariantMap &now);

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();

private:
    MusicPlayer &music;
};
