#pragma once

#include <QString>

// An app folder's descriptor, app.con: what kind of app it is ("web" or
// "local"), where it lives, and the extra style sheet of its view.
struct AppDescriptor {
    QString type; // text of <apptype>
    QString link; // text of <applink>
    QString css;  // text of <appcss>

    // Reads the first apptype, applink and appcss elements anywhere in the
    // document; a missing, unreadable or ill-formed file gives empty values,
    // as does one larger than 64 KiB or one that declares entities.
    static AppDescriptor read(const QString &path);
    static AppDescriptor parse(const QByteArray &xml);

    // The one-line descriptor of a web app, the link escaped as XML text.
    static QByteArray webDescriptor(const QString &link);
};
