#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class QDBusPendingCallWatcher;

// The properties of one object of a service on a bus, kept up to date from
// the service's PropertiesChanged signals: read once asynchronously when the
// service is (or comes) on the bus, emptied when it leaves. Nothing waits on
// the bus and nothing polls.
class BusProperties : public QObject
{
    Q_OBJECT

public:
    BusProperties(QDBusConnection bus, const QString &service, const QString &path,
                  const QString &interface, QObject *parent = nullptr);

    // Whether the service answered with the object's properties.
    bool present() const { return isPresent; }
    QVariant value(const QString &name) const { return values.value(name); }

signals:
    void changed();

private slots:
    void propertiesChanged(const QString &interface, const QVariantMap &changed,
                           const QStringList &invalidated);

private:
    void readAll();
    void gone();

    QDBusConnection bus;
    QString service, path, interface;
    QVariantMap values;
    bool isPresent = false;
    QDBusPendingCallWatcher *reading = nullptr;
};
