#pragma once

#include <QNetworkRequest>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <phonon/phononnamespace.h>

class MainWindow;
class QAuthenticator;
class QNetworkReply;

// The object pages see as myob and api: exactly the window's slots, each
// handed to the window, and nothing of the widget behind them (grabbing its
// picture, hiding it, restyling it). Only what QObject brings is left over;
// the window refuses its deletion.
class PageBridge : public QObject
{
    Q_OBJECT

public:
    explicit PageBridge(MainWindow &window);

public slots:
    void loadfiles();
    void on_pushButton_clicked(QString nn, QString ll);
    void homescreen();
    void appswitch(int i);
    void closeapp();
    void showapp();
    void closeit();
    void Wallpaper(QString w);
    void pageloaded(bool arg1);
    void desktopaccess(QString service);
    void playmp3(QString url);
    void setVolume(qreal v);
    void on_testputon_clicked();
    void Mailservice(QString u, QString n);
    void webhistory(QString u);
    void downloadapp(QString appname, QString applink, QString icon);
    void fileDownloaded(QNetworkReply *pReply);
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void seekmp3(qint64 c);
    void stopmp3();
    bool pausemp3();
    void installLpk(QString path);
    void filesysDownloaded(QNetworkReply *pReply);
    QStringList GetFiles(QString u);
    void zooms(qreal a);
    void adclick();
    void LoadPack(QString path, QString ap);
    void PackDownloaded(QNetworkReply *pReply);
    void DownFile(QString path, QString ap);
    void FileDownloaded(QNetworkReply *pReply);
    void installBatch(QString path);
    void notif(QString u);
    void onResult(QNetworkReply *reply);
    void downloadingIssueFinished();
    void download(QNetworkRequest request);
    void unsupportedContent(QNetworkReply *reply);

private slots:
    void linkClickedSlot(QUrl url);
    void objectDestroyed();
    void on_pushButton_2_clicked();
    void Mp3Buffer(qint64 i);
    void on_commandLinkButton_clicked();
    void mailstore();
    void on_commandLinkButton_2_clicked();
    void on_webView_loadFinished(bool arg1);
    void mainFrame_javaScriptWindowObjectCleared();
    void localapp();
    void a_auth(QNetworkReply *, QAuthenticator *);
    void metaStateChanged(Phonon::State newState, Phonon::State);
    void mailapp();
    void finishedSlot(QNetworkReply *reply);
    void on_reee_clicked();

private:
    MainWindow &window;
};
