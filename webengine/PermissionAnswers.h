#pragma once

#include "web/PermissionFile.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>

// What the user answered when an app's pages asked for notifications, the
// location, the camera, the microphone or the screen: asked once per site
// and feature, the default answer no, and remembered in the app's file of
// answers (web/PermissionFile). A page that asks again while the question
// is open waits for that one answer.
class PermissionAnswers : public QObject
{
    Q_OBJECT

public:
    PermissionAnswers(const QString &file, QObject *parent);

    // Answers page's request for feature of origin, asking the user (naming
    // appName) when nothing is remembered.
    void request(QWebEnginePage *page, const QUrl &origin, QWebEnginePage::Feature feature,
                 const QString &appName);

private:
    struct Waiting {
        QPointer<QWebEnginePage> page;
        QUrl origin;
    };
    PermissionFile kept;
    QHash<QString, QList<Waiting>> questions; // open questions, by key
};
