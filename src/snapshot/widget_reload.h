#pragma once

#include "base/widget_kind.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace lumora {

/// How the app asks the widget host to reload a widget kind's timelines: a D-Bus signal on the session bus,
/// path /id/lumora/Widget, interface id.lumora.Widget, member ReloadTimelines, one string argument (the
/// kind).
namespace WidgetReload {

inline constexpr auto kPath = "/id/lumora/Widget";
inline constexpr auto kInterface = "id.lumora.Widget";
inline constexpr auto kMember = "ReloadTimelines";
/// Emits the signal; false when it could not be sent (no bus). Nobody listening is not an error.
bool reloadTimelines(const QString& kind = QString::fromLatin1(kWidgetKind),
                     QDBusConnection bus = QDBusConnection::sessionBus());

/// The widget host's side: emits `reloadRequested(kind)` for every reload signal on the bus for `kind`; signals
/// for other kinds are not delivered at all.
class Listener : public QObject {
    Q_OBJECT
public:
    explicit Listener(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr,
                      const QString& kind = QString::fromLatin1(kWidgetKind));
    /// False when there is no bus to listen on; the host then reloads only on its own schedule.
    bool isListening() const { return m_listening; }

Q_SIGNALS:
    void reloadRequested(const QString& kind);

private Q_SLOTS:
    void onSignal(const QString& kind);

private:
    QString m_kind;
    bool m_listening = false;
};

} // namespace WidgetReload

} // namespace lumora
