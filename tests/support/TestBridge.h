#pragma once

#include "media/FolderBrowser.h"
#include "media/MusicPlayer.h"
#include "shell/PageStack.h"
#include "shell/ScriptBridge.h"

#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QWebFrame>
#include <phonon/phononnamespace.h>

// Stands in for the main window in tests of one subsystem: pages call its
// slots as myob or api, and a TestShell hooks the subsystems' signals to it.
// Each page call is recorded as "name(arg,arg)" and, where the subsystem is
// set, handed on as the main window hands it on.
class TestBridge : public QObject
{
    Q_OBJECT

public:
    PageStack *pages = nullptr;
    MusicPlayer *music = nullptr;
    FolderBrowser *folders = nullptr;
    QStringList picked; // what GetFiles "returns"

    QStringList calls;
    int loads = 0;
    int destroyedViews = 0;
    int unsupported = 0;
    QList<QUrl> replyUrls; // remote-message replies
    QStringList replyBodies;

    int count(const QString &name) const
    {
        int n = 0;
        for (const QString &c : calls)
            n += c.startsWith(name + QLatin1Char('('));
        return n;
    }
    // The arguments of the last call of name, as recorded.
    QString last(const QString &name) const
    {
        for (int i = calls.size() - 1; i >= 0; --i)
            if (calls[i].startsWith(name + QLatin1Char('(')))
                return calls[i].mid(name.size() + 1, calls[i].size() - name.size() - 2);
        return QString();
    }

public slots:
    // What pages call.
    void loadfiles() { record("loadfiles", {}); }
    void on_pushButton_clicked(QString nn, QString ll)
    {
        record("on_pushButton_clicked", {nn, ll});
    }
    void homescreen()
    {
        record("homescreen", {});
        if (pages)
            pages->homescreen();
    }
    void appswitch(int i) { record("appswitch", {QString::number(i)}); }
    void closeapp()
    {
        record("closeapp", {});
        if (pages)
            pages->closeapp();
    }
    void closeit() { record("closeit", {}); }
    void on_testputon_clicked() { record("on_testputon_clicked", {}); }
    void Mailservice(QString u, QString n) { record("Mailservice", {u, n}); }
    void webhistory(QString u) { record("webhistory", {u}); }
    void desktopaccess(QString service)
    {
        record("desktopaccess", {service});
        if (folders)
            folders->desktopaccess(service);
        if (music && service == QLatin1String("Music"))
            music->tellMusicPage();
    }
    QStringList GetFiles(QString u)
    {
        record("GetFiles", {u});
        return picked;
    }
    void playmp3(QString url)
    {
        record("playmp3", {url});
        if (music)
            music->play(url);
    }
    bool pausemp3()
    {
        record("pausemp3", {});
        return music && music->togglePause();
    }
    void stopmp3()
    {
        record("stopmp3", {});
        if (music)
            music->stop();
    }
    void seekmp3(qint64 c)
    {
        record("seekmp3", {QString::number(c)});
        if (music)
            music->seek(c);
    }
    void setVolume(qreal v)
    {
        record("setVolume", {QString::number(v)});
        if (music)
            music->setVolume(v);
    }

    // What the shell's hooks join signals to.
    void pageloaded(bool)
    {
        ++loads;
        if (pages)
            pages->pageloaded();
    }
    void linkClickedSlot(QUrl url)
    {
        if (pages)
            pages->linkClicked(url);
    }
    void objectDestroyed() { ++destroyedViews; }
    void unsupportedContent(QNetworkReply *) { ++unsupported; }
    void localapp()
    {
        auto *frame = qobject_cast<QWebFrame *>(sender());
        ScriptBridge::place(frame, this, ScriptBridge::appName(), ScriptBridge::mayUseApi(frame));
    }
    void onResult(QNetworkReply *reply)
    {
        replyUrls.append(reply->url());
        replyBodies.append(QString::fromUtf8(reply->readAll()));
    }
    void Mp3Buffer(qint64 i)
    {
        if (music)
            music->lengthChanged(i);
    }
    void metaStateChanged(Phonon::State newState, Phonon::State)
    {
        if (music)
            music->tagReaderStateChanged(newState);
    }

private:
    void record(const char *name, const QStringList &args)
    {
        calls.append(QLatin1String(name) + QLatin1Char('(') + args.join(QLatin1Char(',')) +
                     QLatin1Char(')'));
    }
};
