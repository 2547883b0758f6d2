#include "app/PageBridge.h"

#include "app/MainWindow.h"

PageBridge::PageBridge(MainWindow &w) : QObject(&w), window(w)
{
    // Pages that read its name see the window's, as before.
    setObjectName(w.objectName());
}

// clang-format off
void PageBridge::loadfiles() { window.loadfiles(); }
void PageBridge::on_pushButton_clicked(QString nn, QString ll) { window.on_pushButton_clicked(nn, ll); }
void PageBridge::homescreen() { window.homescreen(); }
void PageBridge::appswitch(int i) { window.appswitch(i); }
void PageBridge::closeapp() { window.closeapp(); }
void PageBridge::showapp() { window.showapp(); }
void PageBridge::closeit() { window.closeit(); }
void PageBridge::Wallpaper(QString w) { window.Wallpaper(w); }
void PageBridge::pageloaded(bool arg1) { window.pageloaded(arg1); }
void PageBridge::desktopaccess(QString service) { window.desktopaccess(service); }
void PageBridge::playmp3(QString url) { window.playmp3(url); }
void PageBridge::setVolume(qreal v) { window.setVolume(v); }
void PageBridge::on_testputon_clicked() { window.on_testputon_clicked(); }
void PageBridge::Mailservice(QString u, QString n) { window.Mailservice(u, n); }
void PageBridge::webhistory(QString u) { window.webhistory(u); }
void PageBridge::downloadapp(QString appname, QString applink, QString icon) { window.downloadapp(appname, applink, icon); }
void PageBridge::fileDownloaded(QNetworkReply *pReply) { window.fileDownloaded(pReply); }
void PageBridge::downloadProgress(qint64 bytesReceived, qint64 bytesTotal) { window.downloadProgress(bytesReceived, bytesTotal); }
void PageBridge::seekmp3(qint64 c) { window.seekmp3(c); }
void PageBridge::stopmp3() { window.stopmp3(); }
bool PageBridge::pausemp3() { return window.pausemp3(); }
void PageBridge::installLpk(QString path) { window.installLpk(path); }
void PageBridge::filesysDownloaded(QNetworkReply *pReply) { window.filesysDownloaded(pReply); }
QStringList PageBridge::GetFiles(QString u) { return window.GetFiles(u); }
void PageBridge::zooms(qreal a) { window.zooms(a); }
void PageBridge::adclick() { window.adclick(); }
void PageBridge::LoadPack(QString path, QString ap) { window.LoadPack(path, ap); }
void PageBridge::PackDownloaded(QNetworkReply *pReply) { window.PackDownloaded(pReply); }
void PageBridge::DownFile(QString path, QString ap) { window.DownFile(path, ap); }
void PageBridge::FileDownloaded(QNetworkReply *pReply) { window.FileDownloaded(pReply); }
void PageBridge::installBatch(QString path) { window.installBatch(path); }
void PageBridge::notif(QString u) { window.notif(u); }
void PageBridge::onResult(QNetworkReply *reply) { window.onResult(reply); }
void PageBridge::downloadingIssueFinished() { window.downloadingIssueFinished(); }
void PageBridge::download(QNetworkRequest request) { window.download(request); }
void PageBridge::unsupportedContent(QNetworkReply *reply) { window.unsupportedContent(reply); }
void PageBridge::linkClickedSlot(QUrl url) { window.linkClickedSlot(url); }
void PageBridge::objectDestroyed() { window.objectDestroyed(); }
void PageBridge::on_pushButton_2_clicked() { window.on_pushButton_2_clicked(); }
void PageBridge::Mp3Buffer(qint64 i) { window.Mp3Buffer(i); }
void PageBridge::on_commandLinkButton_clicked() { window.on_commandLinkButton_clicked(); }
void PageBridge::mailstore() { window.mailstore(); }
void PageBridge::on_commandLinkButton_2_clicked() { window.on_commandLinkButton_2_clicked(); }
void PageBridge::on_webView_loadFinished(bool arg1) { window.on_webView_loadFinished(arg1); }
void PageBridge::mainFrame_javaScriptWindowObjectCleared() { window.mainFrame_javaScriptWindowObjectCleared(); }
void PageBridge::localapp() { window.localapp(); }
void PageBridge::a_auth(QNetworkReply * a0, QAuthenticator * a1) { window.a_auth(a0, a1); }
void PageBridge::metaStateChanged(Phonon::State newState, Phonon::State a1) { window.metaStateChanged(newState, a1); }
void PageBridge::mailapp() { window.mailapp(); }
void PageBridge::finishedSlot(QNetworkReply *reply) { window.finishedSlot(reply); }
void PageBridge::on_reee_clicked() { window.on_reee_clicked(); }
// clang-format on
