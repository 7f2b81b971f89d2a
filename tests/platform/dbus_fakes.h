#pragma once

// Kept free of the model's headers: moc reads this file and cannot parse <compare>.
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace lumora::test {

/// An org.freedesktop.Notifications server on its own connection, recording every Notify call.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
    };

    QStringList capabilities;
    QList<Call> calls;

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int expireTimeout) {
        calls.append(Call{appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
        return uint(calls.size());
    }
};

/// Receives the widget reload signal.
class ReloadListener : public QObject {
    Q_OBJECT
public:
    QStringList kinds;

public Q_SLOTS:
    void reload(const QString& kind) { kinds.append(kind); }
};

} // namespace lumora::test
