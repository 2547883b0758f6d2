#pragma once

#include <QObject>

class ShellHost;

// Removes an app the user chose on the home screen: after a question naming
// it, its folder goes from the Apps folder, its open pages close and the
// home page drops its icon.
class AppRemover : public QObject
{
    Q_OBJECT

public:
    explicit AppRemover(ShellHost &host, QObject *parent = nullptr);

    // True when the app is gone. Refused (false, nothing asked or touched):
    // a name that is not one entry of the Apps folder or not shown in the
    // grid, an entry that is no folder, a folder that resolves outside Apps.
    // An entry that is a symbolic link goes as a link: what it points to
    // stays untouched.
    bool remove(const QString &name);

private:
    void closePagesOf(const QString &name);

    ShellHost &host;
};
