#pragma once

#include "shell/AppView.h"
#include "web/ErrorPage.h"

#include <QObject>
#include <QString>
#include <QUrl>

class ShellHost;

// Opens an app from the home screen: a new view with its own page, cookies
// and style sheet, loaded with the app's web address or local page, slid in
// on top of the page stack, with its tab given icon and name.
class AppLauncher : public QObject
{
    Q_OBJECT

public:
    // styleBase is the first part of every app page's user style sheet.
    AppLauncher(ShellHost &shell, const QString &styleBase, QObject *parent = nullptr);

    // nn: the app's name (its folder in Apps); ll: the launch address, which
    // is loaded directly when it is a web address. Returns the new view.
    // The Browser opens at resumeAt instead of its start page when given.
    AppView *launch(const QString &nn, const QString &ll, const QUrl &resumeAt = QUrl());
    // What the tab of the app in folder nn reads: the dock's own apps live in
    // folders named "<name>.map".
    static QString tabName(const QString &nn);

    // "data:text/css;charset=utf-8;base64," + the base and the app's css.
    static QUrl userStyleSheet(const QString &base, const QString &css);
    // The file address of a local app's page, or an empty address when the
    // page would lie outside the app's folder.
    static QUrl localPage(const QString &appFolder, const QString &link);

private:
    // Shows the shell's page naming what is wrong with the app.
    static void showProblem(AppView *view, ErrorPage::Reason reason, const QString &detail);
    // A view of engine for the app called name; its cookies are the jar's.
    AppView *createView(AppView::Engine engine, const QString &name, const QString &objectName,
                        const QString &css, const QString &jar);

    ShellHost &shell;
    QString styleBase;
};
