#pragma once

#include "platform/system_events.h"

#include <QDBusConnection>
#include <QFileSystemWatcher>
#include <QVariantMap>

namespace lumora {

/// SystemEvents from logind and timedated on `bus` and from the link `localtimePath`.
class LinuxSystemEvents final : public SystemEvents {
    Q_OBJECT
public:
    LinuxSystemEvents(QDBusConnection bus, QString localtimePath, QObject* parent = nullptr);

    /// The zone a /etc/localtime link names ("/usr/share/zoneinfo/Asia/Jayapura" names "Asia/Jayapura");
    /// empty when it is not such a link.
    static QString zoneFromLocaltime(const QString& path);

private Q_SLOTS:
    void onPrepareForSleep(bool sleeping);
    void onTimedateProperties(const QString& interface, const QVariantMap& changed,
                              const QStringList& invalidated);
    void onLocaltimeMaybeChanged();

private:
    void announceZone(const QString& zoneId);

    QDBusConnection m_bus;
    QString m_localtimePath;
    QFileSystemWatcher m_watcher;
    QString m_lastZone;
};

} // namespace lumora
