#include "linux_system_events.h"

#include <QDBusInterface>
#include <QDir>
#include <QFileInfo>

namespace lumora {

LinuxSystemEvents::LinuxSystemEvents(QDBusConnection bus, QString localtimePath, QObject* parent)
    : SystemEvents(parent), m_bus(std::move(bus)), m_localtimePath(std::move(localtimePath)),
      m_lastZone(zoneFromLocaltime(m_localtimePath)) {
    if (m_bus.isConnected()) {
        m_bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                      this, SLOT(onPrepareForSleep(bool)));
        m_bus.connect(QStringLiteral("org.freedesktop.timedate1"),
                      QStringLiteral("/org/freedesktop/timedate1"),
                      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                      this, SLOT(onTimedateProperties(QString, QVariantMap, QStringList)));
    }
    // The link is replaced, not written, so the folder is what changes; a file watch alone would go quiet
    // after the first replacement.
    const QString folder = QFileInfo(m_localtimePath).absolutePath();
    if (QFileInfo(folder).isDir()) m_watcher.addPath(folder);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &LinuxSystemEvents::onLocaltimeMaybeChanged);
}

QString LinuxSystemEvents::zoneFromLocaltime(const QString& path) {
    const QString target = QFileInfo(path).symLinkTarget();
    const qsizetype at = target.indexOf(QLatin1String("/zoneinfo/"));
    if (at < 0) return {};
    return target.mid(at + 10);
}

void LinuxSystemEvents::onPrepareForSleep(bool sleeping) {
    if (!sleeping) Q_EMIT didWake();
}

void LinuxSystemEvents::onTimedateProperties(const QString& interface, const QVariantMap& changed,
                                             const QStringList& invalidated) {
    if (interface != QLatin1String("org.freedesktop.timedate1")) return;
    if (const auto it = changed.constFind(QStringLiteral("Timezone")); it != changed.constEnd()) {
        announceZone(it->toString());
    } else if (invalidated.contains(QStringLiteral("Timezone"))) {
        onLocaltimeMaybeChanged();
    }
}

void LinuxSystemEvents::onLocaltimeMaybeChanged() {
    announceZone(zoneFromLocaltime(m_localtimePath));
}

void LinuxSystemEvents::announceZone(const QString& zoneId) {
    // timedated and the file watch both report one change; the folder also changes for unrelated files.
    if (zoneId.isEmpty() || zoneId == m_lastZone) return;
    m_lastZone = zoneId;
    Q_EMIT timeZoneChanged(zoneId);
}

std::unique_ptr<SystemEvents> makeSystemEvents(QObject* parent) {
    return std::make_unique<LinuxSystemEvents>(QDBusConnection::systemBus(), QStringLiteral("/etc/localtime"),
                                               parent);
}

} // namespace lumora
