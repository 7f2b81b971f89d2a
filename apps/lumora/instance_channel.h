#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>

namespace lumora {

/// How a second start reaches the running copy: a per-user local socket in the runtime folder, owner-only.
/// The running copy listens; a later start sends "activate" and exits.
class InstanceChannel : public QObject {
    Q_OBJECT
public:
    /// The socket's path: $XDG_RUNTIME_DIR/lumora.socket (Qt's private runtime folder when that is unset).
    static QString socketPath();

    explicit InstanceChannel(QObject* parent = nullptr);
    /// Listens at `path`, replacing a socket left by a copy that died: only the lock holder calls this.
    bool listen(const QString& path = socketPath());

    /// Sends "activate" to the running copy; false when nobody answered within `limit`.
    static bool activateRunningCopy(std::chrono::milliseconds limit, const QString& path = socketPath());

Q_SIGNALS:
    void activateRequested();

private:
    void onConnection();
    QLocalServer m_server;
};

} // namespace lumora
