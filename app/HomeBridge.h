#pragma once

#include <QObject>

class AppRemover;
class ShellHost;

// What the home page needs of the shell beyond myob's slots. Only the home
// page gets it, as "vantara", decided by its exact address as for myob; each
// slot hands the work to the subsystem that owns it.
class HomeBridge : public QObject
{
    Q_OBJECT

public:
    HomeBridge(ShellHost &host, QObject *parent = nullptr);

    // The name under which the home page sees it.
    static QString scriptName() { return QStringLiteral("vantara"); }

public slots:
    // The index of the app page the user sees, or -1 while the home screen
    // is in front (the stack hidden or empty).
    int appOnTop() const;

    // Arranging, removing and restoring apps.
    // Where the icons stand (JSON, see AppArrangement), empty when unknown.
    QString arrangement() const;
    // Stores where the icons stand; false when layout is refused.
    bool saveArrangement(const QString &layout);
    // Removes the app in folder name after asking; true when it is gone.
    bool removeApp(const QString &name);

private:
    ShellHost &host;
    AppRemover *remover = nullptr;
};
